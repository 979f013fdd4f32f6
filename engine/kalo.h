// The maximum-entropy iteration.
#pragma once

// A new H-factor above this is taken as runaway growth and set to 0, so no
// factor the iteration leaves is above it.
constexpr float HCAP = 1.0e7f;

// QAVD of a call whose first sweep could not be measured (no sample had
// both a measured and a computed value, or their ratios overflowed): that
// sweep was undone and the H-factors are as before the call.
constexpr float QAVD_NO_FIT = 10.0f / 1.0e-20f;

// Runs at most MITER iterations from the current H-factors; ICON receives the
// number of the last iteration performed, QAVD its rms relative deviation
// (neither is written when MITER <= 0).  Fills RHO at the end.  The first
// sweep is compared with QSTART as every later sweep is with the one before:
// when it is not better it is undone and QAVD becomes QSTART.  A call that
// goes on from the factors the previous call ended with passes that call's
// QAVD, so that repeating a sweep it undid cannot be kept.
void kalo(int& ICON, float& QAVD, float QSTART);
// The same for a call that goes on from new factors.
inline void kalo(int& ICON, float& QAVD) { kalo(ICON, QAVD, QAVD_NO_FIT); }
