// The maximum-entropy iteration.
#pragma once

// A new H-factor above this is taken as runaway growth and set to 0, so no
// factor the iteration leaves is above it.
constexpr float HCAP = 1.0e7f;

// Runs at most MITER iterations from the current H-factors; ICON receives the
// number of the last iteration performed, QAVD its rms relative deviation
// (neither is written when MITER <= 0).  Fills RHO at the end.
void kalo(int& ICON, float& QAVD);
