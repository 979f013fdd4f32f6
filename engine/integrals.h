// Projection integrals: the H-function of one projection, the product of the
// other projections' H-functions along a line, its integral, a word copy.
#pragma once

// Positions (in sample spacings) beyond this are far outside every table;
// hint gives 0 there, which also keeps the integer conversion of
// hint_start defined for any run state.
constexpr float RA_LIMIT = 1.0e8f;

// The sample where hint's interpolation starts for a position RA in sample
// spacings: truncation toward zero plus one, one lower again for negative
// positions.  |RA| must be below RA_LIMIT.
inline int hint_start(float RA) {
  int K1 = int(RA) + 1;
  if (RA < 0.0f) K1 -= 1;
  return K1;
}

// H-function of projection L at position S (s = 0 at SREF(L)).
float hint(const float& S, const int& L);
// Product of the H-functions of all projections but LPROJ at (SPOS, T).
float prod(const float& T);
// Integral of F from A to B over N equally spaced points, every point
// (the two ends too) with the full weight (B - A)/(N - 1).
float qtrap(float (*F)(const float&), const float& A, const float& B, const int& N);
// Copies N consecutive 32-bit words from A to B.
void ucopy(const float* A, float* B, const int& N);
