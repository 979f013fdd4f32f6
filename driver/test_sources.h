// The six built-in test sources.
#pragma once

// Fills the run state with the profiles of test source NTEST.
void setp();
// Density of test case NTEST at (X, Y); sets TITLE to the case name.
float sofun(const float& X, const float& Y);
// Inverse error function for 0 <= Y <= 1.
float erfi(const float& Y);
// Uniform number in [0, 1]; the first call seeds the generator with int(X).
float ranff(const float& X);
