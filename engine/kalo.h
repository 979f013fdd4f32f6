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
// (neither is written when MITER <= 0).  Fills RHO at the end.
void kalo(int& ICON, float& QAVD);

// When set, called after every iteration's "ITER=" line with the values it
// shows (the batch run keeps the iteration history for its results file).
using IterationHook = void (*)(int ITER, float QAVD, int NINF, int NIND, int NZER, int NOUT,
                               int N);
extern IterationHook kalo_iteration_hook;
