// The maximum-entropy iteration.
#pragma once

// A new H-factor above this is taken as runaway growth and set to 0, so no
// factor the iteration leaves is above it.  For counts outside the range
// the iteration's thresholds were made for, projection 1 has its own cap
// (see count_scale).
constexpr float HCAP = 1.0e7f;

// The power of two 2^e by which the counts of this run lie outside the range
// the iteration's thresholds (HCAP and the zero guard) were made for; 1 for
// counts inside it, the measurements of ordinary size.  It is taken from the
// scale of the first sweep's factors of projection 1: its largest sample
// over the line integral of ones (about 2*TLIM).
//
// A run on counts 2^e*P, with the start factors of projection 1 set to 2^e
// and the zero guard and projection 1's cap multiplied by 2^e, computes the
// same numbers as the run on P, with projection 1's factors, the computed
// projections and the density multiplied by 2^e: scaling by a power of two
// is exact while no value leaves the single-precision range.  So the
// iteration works the same on any count scale, and leaves the counts, the
// factors and the density in the user's units.
float count_scale();

// The cap of the factors of projection L: HCAP, for projection 1 scaled with
// the counts.
float factor_cap(int L);

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
//
// With rule.RULE = RULE_MULT every factor is instead rescaled by
// (measured/computed)^OMEGA, OMEGA starting at 0.5 (1 for one projection).
// A sweep whose count-weighted mismatch QW is not below the best of the call
// is undone and halves OMEGA; the call ends at QAVD <= PREC, at OMEGA < 1/16
// or after MITER sweeps, and logs one "RULE= MULT" line with the start and
// final OMEGA and the best QW (also left in rule).
void kalo(int& ICON, float& QAVD, float QSTART);
// The same for a call that goes on from new factors.
inline void kalo(int& ICON, float& QAVD) { kalo(ICON, QAVD, QAVD_NO_FIT); }

// When set, called after every iteration's "ITER=" line with the values it
// shows (the batch run keeps the iteration history for its results file).
using IterationHook = void (*)(int ITER, float QAVD, int NINF, int NIND, int NZER, int NOUT,
                               int N);
extern IterationHook kalo_iteration_hook;

// Whether the kernels that can read fixed lines (line_kernels.h) do.  They
// make the iteration about twice as fast in one process, but their tables
// (some 6 MB at 20 projections) are made once per geometry and streamed
// every sweep: processes that run few iterations side by side, as the
// replicas of a batch run, are faster without them.  The results are the
// same bits either way.
extern bool kalo_fixed_lines;
