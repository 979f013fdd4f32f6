// The maximum-entropy iteration.
//
// The density is a product of one H-function per projection.  Each sweep
// rescales the H-factors of one projection after the other so that its
// computed projection (factor times the line integral of the other
// projections' H-functions) moves into the ratio band around the measured
// profile; the sweep's rms relative deviation QAVD decides whether to stop,
// to go on, or to undo a sweep that made the fit worse.
//
// The line integrals are the inner loop (about a million H-function values
// per sweep on 20 projections).  They are computed here for all 51 points of
// a line at once, from zero-padded tables of the H-factors, by the line
// kernels (line_kernels.h), with every single-precision operation and every
// sum in the same order as qtrap(prod, ...) with hint, so the results are
// identical bit for bit.  The widest kernels keep each point's look-up in
// tables made once per geometry (fixed lines).  Points whose partial
// product is already zero stay zero and add nothing to the sum (SUM starts
// at +0, and adding a zero leaves it unchanged), so while every factor is
// finite and not negative a group of such points is not evaluated again.
#include "engine/kalo.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include <sys/mman.h>

#include "state/run_state.h"
#include "records/text_records.h"
#include "engine/integrals.h"
#include "engine/line_kernels.h"

namespace {

// Values at or below this count as zero; also a guard added to denominators.
// It scales with the counts, as does the cap of projection 1 (count_scale).
constexpr float EPSIL = 1.0e-20f;

// The factor scales (largest sample of profile 1 over 2*TLIM) that the
// thresholds were made for.  The test sources lie between 0.1 and 0.4, the
// example measurements at 4.9E6 and 7.6E6.  Down to 2^-30 the zero guard
// stays eight decades below the largest sample (for a t window of a
// milliradian or more).  Over a run the factors of projection 1 grow a few
// per cent above the scale, so up to 2^23 (8.4E6) they keep clear of HCAP.
// A scale outside the range is mapped by 2^e into its top octave, where the
// examples lie.  e stays within bounds that keep the start factors and caps
// normal single-precision numbers; the zero guard goes no lower than the
// smallest of them.
constexpr double SCALE_LO = 0x1p-30;
constexpr double SCALE_HI = 0x1p23;
constexpr int E_MIN = -100;
constexpr int E_MAX = 104;

// The iteration line (units 6 and 7) and the infinite-factor line (unit 7).
constexpr const char* ITER_FORMAT =
    "(' ITER= ',I2,', QAVD= ',1P,E9.2,', NINF= ',I3,', NIND= ',I3,', NZER= ',I3,"
    "', NOUT= ',I3,', N= ',I3)";
// The multiplicative rule's line, once per call after the iteration lines
// (units 6 and 7): the step it started with, the step and the mismatch QW
// it ended with.
constexpr const char* MULT_FORMAT =
    "(' RULE= MULT, OMEGA0= ',1P,E9.2,', OMEGA= ',E9.2,', QW= ',E9.2)";
constexpr const char* INFINITE_FORMAT =
    "(' HFAC infinite   L   = ',I3,'; K   = ',I2,14(',',I2))";
// Sample numbers per "HFAC infinite" line.
constexpr int INFINITE_PER_LINE = 15;

// The interpolation starts of every projection, for the line kernels.
Pair pairs[MAXL][STARTS];
// Whether every factor of the projection lies in [0, TAME): its H-function
// is then finite and not negative everywhere, so a +0 times it stays +0.
bool tame[MAXL];
constexpr float TAME = 1.0e30f;
// Whether every start that a position inside the s window can give lies in
// the table (true for every SREF within about a window of the middle).
bool covered[MAXL];
// The largest factor of each tame projection: no H-function value is above
// it by more than a rounding.
double top[MAXL];

void tabulate(int L, int NK) {
  // Starts off the profile read two zeros; from K1 = 0 to NK the pair is
  // {factor(K1), factor(K1 + 1) - factor(K1)} with factor 0 off the profile.
  Pair* pair = pairs[L - 1] + PAD;
  const float* H = &stor.HFAC(1, L);  // H[k - 1]: factor k
  std::fill(pairs[L - 1], pairs[L - 1] + STARTS, Pair{0.0f, 0.0f});
  if (NK >= 1) {
    pair[0] = {0.0f, H[0] - 0.0f};
    for (int K1 = 1; K1 < NK; ++K1) pair[K1] = {H[K1 - 1], H[K1] - H[K1 - 1]};
    pair[NK] = {H[NK - 1], 0.0f - H[NK - 1]};
  }
  bool finite = true;
  float largest = 0.0f;
  for (int k = 0; k < NK; ++k) {
    finite &= H[k] >= 0.0f && H[k] < TAME;
    largest = std::max(largest, H[k]);
  }
  tame[L - 1] = finite;
  top[L - 1] = largest;
  // RA = RSTEP*(S + SREF) is monotone in S, and so is hint_start(RA), so the
  // window's two ends bound every start.
  const float RA1 = expd.RSTEP * (-stor.SLIM + stor.SREF(L));
  const float RA2 = expd.RSTEP * (stor.SLIM + stor.SREF(L));
  const bool finite_ends = std::fabs(RA1) < RA_LIMIT && std::fabs(RA2) < RA_LIMIT;
  covered[L - 1] = finite_ends && std::min(hint_start(RA1), hint_start(RA2)) >= -PAD &&
                   std::max(hint_start(RA1), hint_start(RA2)) <= NK + PAD;
}

Line line_of(int L, float SA, float SB, int NK) {
  return {SA, SB, stor.SLIM, expd.RSTEP, stor.SREF(L), NK, pairs[L - 1], covered[L - 1]};
}

// The t of the points of a line, X = A, A + DX, ... by repeated addition as
// qtrap forms them, for the A, DX and NPTS they were formed with.
LineBuffer T_LINE{};
float T_A, T_DX;
int T_NPTS = 0;

const LineBuffer& line_points(float A, float DX, int NPTS) {
  if (NPTS != T_NPTS || std::memcmp(&A, &T_A, sizeof A) != 0 ||
      std::memcmp(&DX, &T_DX, sizeof DX) != 0) {
    float X = A;
    for (int n = 0; n < NPTS; ++n) {
      T_LINE.v[n] = X;
      X = X + DX;
    }
    T_A = A, T_DX = DX, T_NPTS = NPTS;
  }
  return T_LINE;
}

template <class T>
bool same_bits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The AVX2 and AVX-512 kernels read the lines' look-ups from tables fixed
// for the geometry of the run (the positions along a line do not depend on
// the factors); the others, and every kernel while kalo_fixed_lines is
// false, work every position out each time.  A table is made again when a
// number it was made from changes.
bool fixed_lines() { return kalo_fixed_lines && kernel_fixes_lines(line_kernel()); }

// The sweep's fixed lines: for projection LPROJ and sample K, the line of
// each other projection in order, and the points where none of them gives 0
// whatever the factors.  They lie on huge pages where the system gives them
// on request, so that a new process fills them with a few page faults
// instead of some 1600.
constexpr std::size_t HUGE_PAGE = std::size_t{1} << 21;
alignas(HUGE_PAGE) FixedLine sweep_lines[MAXL][MAXK][MAXL - 1];
std::uint64_t sweep_live[MAXL][MAXK];
// The numbers they were fixed from.
struct SweepGeometry {
  int NL = 0, NK = 0;
  float STEP = 0, SLIM = 0, TLIM = 0, RSTEP = 0;
  decltype(stor_t::SREF) SREF{};
  decltype(pint_t::AMAT) AMAT{}, BMAT{};
};
// Compared bit for bit as a whole: no padding between the numbers.
static_assert(sizeof(SweepGeometry) ==
              6 * 4 + sizeof(SweepGeometry::SREF) + 2 * sizeof(SweepGeometry::AMAT));
SweepGeometry sweep_fixed;
// Whether the lines of sample K of projection LPROJ are fixed for it.
bool sweep_ready[MAXL][MAXK];

// The position of sample K of projection L on its s axis.
float sample_position(int K, int L) { return float(K - 1) * expd.STEP - stor.SREF(L); }

// The H-function of projection L2 along the line at SPOS of projection LPROJ.
Line sweep_line(int L2, int LPROJ, float SPOS, int NK) {
  return line_of(L2, SPOS * pint.AMAT(L2, LPROJ), pint.BMAT(L2, LPROJ), NK);
}

// Forgets the sweep's fixed lines when the geometry has changed.
void check_sweep(int NL, int NK) {
  SweepGeometry now;
  now.NL = NL, now.NK = NK, now.STEP = expd.STEP, now.SLIM = stor.SLIM, now.TLIM = stor.TLIM,
  now.RSTEP = expd.RSTEP, now.SREF = stor.SREF, now.AMAT = pint.AMAT, now.BMAT = pint.BMAT;
  if (same_bits(now, sweep_fixed)) return;
  // Only a hint: the whole huge pages inside the table.
  static const bool advised =
      ::madvise(sweep_lines, sizeof sweep_lines / HUGE_PAGE * HUGE_PAGE, MADV_HUGEPAGE) == 0;
  (void)advised;
  sweep_fixed = now;
  std::fill_n(&sweep_ready[0][0], MAXL * MAXK, false);
}

// Fixes the lines of sample K of projection LPROJ, the first time they are
// needed: so they are made where they are used, while still in the cache.
void fix_sample(int LPROJ, int K, int NL, int NK, float SPOS, const LineBuffer& T) {
  std::uint64_t live = ~std::uint64_t{0};
  for (int L2 = 1, i = 0; L2 <= NL; ++L2)
    if (L2 != LPROJ)
      live &= fix_line(sweep_lines[LPROJ - 1][K - 1][i++], sweep_line(L2, LPROJ, SPOS, NK), T, NK);
  sweep_live[LPROJ - 1][K - 1] = live;
  sweep_ready[LPROJ - 1][K - 1] = true;
}

// Whether a product of the H-functions of every projection but `except`
// stays finite: then a point with a line whose H-function is 0 ends at 0.
bool bounded(int NL, int except) {
  double product = 1.0;
  for (int L = 1; L <= NL; ++L)
    if (L != except) product *= top[L - 1];
  return product <= double(FLT_MAX) / 4.0;
}

// The line integrals qtrap(prod, -TLIM, TLIM, NK) of projection LPROJ at
// every sample whose position lies in the s window, SUMS[K - 1] for sample
// K (0 for the others); skip_zeros when every other projection is tame.
// The products along the lines of one projection do not depend on each
// other, so all of them are formed first and then summed eight lines side
// by side, each sum in its own order: so the latency of one long chain of
// additions does not hold up the next line.
void line_integrals(int LPROJ, int NL, int NK, bool skip_zeros, float* SUMS) {
  std::fill_n(SUMS, NK, 0.0f);
  if (NK < 2) return;
  const float A = -stor.TLIM;
  const float B = stor.TLIM;
  const float DX = (B - A) / float(NK - 1);
  const LineBuffer& T = line_points(A, DX, NK);
  const bool fixed = fixed_lines();
  const Pair* tables[MAXL];
  int NLINES = 0;
  for (int L2 = 1; L2 <= NL; ++L2)
    if (L2 != LPROJ) tables[NLINES++] = pairs[L2 - 1];
  const bool dead_is_zero = bounded(NL, LPROJ);
  constexpr int SIDE = 8;  // sums formed side by side
  LineBuffer P[(MAXK + SIDE - 1) / SIDE * SIDE];
  LineBuffer ones;
  for (int n = 0; n < LINE_POINTS; ++n) ones.v[n] = n < NK ? 1.0f : 0.0f;
  bool any = false;
  for (int K = 1; K <= NK; ++K) {
    LineBuffer& p = P[K - 1];
    const float SPOS = sample_position(K, LPROJ);
    const bool inside = !(std::fabs(SPOS) > stor.SLIM);
    p = inside ? ones : LineBuffer{};
    if (!inside) continue;
    any = true;
    if (fixed) {
      if (!sweep_ready[LPROJ - 1][K - 1]) fix_sample(LPROJ, K, NL, NK, SPOS, T);
      const std::uint64_t live = dead_is_zero ? sweep_live[LPROJ - 1][K - 1] : ~std::uint64_t{0};
      multiply_fixed(p, NK, sweep_lines[LPROJ - 1][K - 1], tables, NLINES, live, skip_zeros);
    } else {
      Line lines[MAXL];
      for (int L2 = 1, i = 0; L2 <= NL; ++L2)
        if (L2 != LPROJ) lines[i++] = sweep_line(L2, LPROJ, SPOS, NK);
      multiply_lines(p, T, NK, lines, NLINES, skip_zeros);
    }
  }
  if (!any) return;
  for (int K = NK + 1; K <= (NK + SIDE - 1) / SIDE * SIDE; ++K) P[K - 1] = LineBuffer{};
  // Points left zero add nothing: each SUM starts at +0.
  for (int K0 = 0; K0 < NK; K0 += SIDE) {
    float SUM[SIDE] = {};
    for (int n = 0; n < NK; ++n)
#pragma GCC unroll 8
      for (int j = 0; j < SIDE; ++j) SUM[j] = P[K0 + j].v[n] + SUM[j];
    for (int j = 0; j < SIDE && K0 + j < NK; ++j) SUMS[K0 + j] = SUM[j] * DX;
  }
  pint.TPOS = T.v[NK - 1];
}

// Whether every projection but `except` (0: none excepted) is tame.
bool all_tame(int NL, int except) {
  for (int L = 1; L <= NL; ++L)
    if (L != except && !tame[L - 1]) return false;
  return true;
}

// Writes the sample numbers with infinite factors of projection LPROJ to the
// log, fifteen to a line.
void log_infinite(int LPROJ, const int* KINF, int NKINF) {
  for (int first = 0; first < NKINF; first += INFINITE_PER_LINE) {
    const int n = std::min(INFINITE_PER_LINE, NKINF - first);
    rec::write_formatted(7, INFINITE_FORMAT,
                         {LPROJ, rec::Item::ints(const_cast<int*>(KINF + first), n)});
  }
}

// The density's fixed lines: for grid row j, the line of each projection,
// and the points where none of them gives 0 whatever the factors; and the
// numbers they were fixed from.
FixedLine grid_lines[MAXG][MAXL];
std::uint64_t grid_live[MAXG];
struct GridGeometry {
  int NL = 0, NK = 0, NX = 0, NY = 0;
  float SLIM = 0, RSTEP = 0;
  decltype(stor_t::SREF) SREF{};
  decltype(stor_t::RMAT) RMAT{};
  decltype(tran_t::XGRID) XGRID{}, YGRID{};
};
static_assert(sizeof(GridGeometry) == 6 * 4 + sizeof(GridGeometry::SREF) +
                                          sizeof(GridGeometry::RMAT) +
                                          2 * sizeof(GridGeometry::XGRID));
// Starts as zeros, which match no geometry with a row to fix.
GridGeometry grid_fixed;

Line grid_line(int L, int j, int NK) {
  return line_of(L, stor.RMAT(1, 2, L) * tran.YGRID(j), stor.RMAT(1, 1, L), NK);
}

void fix_grid(int NL, int NK, int NX, int NY, const LineBuffer& X) {
  GridGeometry now;
  now.NL = NL, now.NK = NK, now.NX = NX, now.NY = NY, now.SLIM = stor.SLIM, now.RSTEP = expd.RSTEP,
  now.SREF = stor.SREF, now.RMAT = stor.RMAT, now.XGRID = tran.XGRID, now.YGRID = tran.YGRID;
  if (same_bits(now, grid_fixed)) return;
  grid_fixed = now;
  for (int j = 1; j <= NY; ++j) {
    std::uint64_t live = ~std::uint64_t{0};
    for (int L = 1; L <= NL; ++L)
      live &= fix_line(grid_lines[j - 1][L - 1], grid_line(L, j, NK), X, NX);
    grid_live[j - 1] = live;
  }
}

// RHO on the grid from the current H-factors, one grid row (fixed y, the
// x points contiguous) at a time.  R11*X + R12*Y is formed as
// R12*Y + X*R11: the same sum of the same products.  `tabulated`: the
// pair tables already hold the current factors.
void density(int NL, int NK, bool tabulated) {
  if (!tabulated)
    for (int L = 1; L <= NL; ++L) tabulate(L, NK);
  const bool skip_zeros = all_tame(NL, 0);
  const int NX = std::min(tran.NX, MAXG);
  const int NY = std::min(tran.NY, MAXG);
  LineBuffer X{};
  std::copy_n(tran.XGRID.data(), NX, X.v);
  const bool fixed = fixed_lines();
  if (fixed) fix_grid(NL, NK, NX, NY, X);
  const Pair* tables[MAXL];
  for (int L = 1; L <= NL; ++L) tables[L - 1] = pairs[L - 1];
  const bool dead_is_zero = bounded(NL, 0);
  for (int j = 1; j <= NY; ++j) {
    LineBuffer row;
    for (int n = 0; n < LINE_POINTS; ++n) row.v[n] = n < NX ? 1.0f : 0.0f;
    if (fixed) {
      multiply_fixed(row, NX, grid_lines[j - 1], tables, NL,
                     dead_is_zero ? grid_live[j - 1] : ~std::uint64_t{0}, skip_zeros);
    } else {
      Line lines[MAXL];
      for (int L = 1; L <= NL; ++L) lines[L - 1] = grid_line(L, j, NK);
      multiply_lines(row, X, NX, lines, NL, skip_zeros);
    }
    std::copy_n(row.v, NX, &tran.RHO(1, j));
  }
}

// The multiplicative update of one factor: HOLD*(PRKL/POLD)^OMEGA when both
// values are present, else 0 (a measured zero, a zero line integral).  The
// quotient is taken in single precision, the power in double and rounded.
float mult_update(float HOLD, float PRKL, float POLD, float OMEGA, float EPS) {
  if (!(PRKL > EPS && POLD > EPS)) return 0.0f;
  return HOLD * float(std::pow(double(PRKL / POLD), double(OMEGA)));
}

// A step below this ends a call of the multiplicative rule.
constexpr float OMEGA_MIN = 1.0f / 16.0f;

}  // namespace

float count_scale() {
  double top = 0.0;
  for (int k = 1; k <= std::min(expd.NK, MAXK); ++k) top = std::max(top, double(expd.PR(k, 1)));
  const double F = top / (2.0 * double(stor.TLIM));
  if (!(F > 0.0) || !std::isfinite(F) || (F >= SCALE_LO && F <= SCALE_HI)) return 1.0f;
  // The smallest e with F/2^e <= SCALE_HI.
  int e = std::ilogb(F / SCALE_HI);
  if (F / SCALE_HI > std::ldexp(1.0, e)) e += 1;
  return std::ldexp(1.0f, std::clamp(e, E_MIN, E_MAX));
}

float factor_cap(int L) { return L == 1 ? HCAP * count_scale() : HCAP; }

IterationHook kalo_iteration_hook = nullptr;
bool kalo_fixed_lines = true;

void kalo(int& ICON, float& QAVD, float QSTART) {
  const int NK = std::min(expd.NK, MAXK);
  const int NL = std::min(expd.NL, MAXL);
  const int HWORDS = MAXK * MAXL;  // the whole H-factor table, used or not
  const float RATLO = 1.0f - trol.QTOL;
  const float RATHI = 1.0f + trol.QTOL;
  float QOLD = QSTART;
  int KINF[MAXK];
  // The zero guard for the scale of this run's counts.
  const float EPS = std::max(EPSIL * count_scale(), FLT_MIN);
  // The multiplicative rule: its step and the best QW of this call (QOLD
  // holds the QAVD of the sweep that reached it).
  const bool mult = rule.RULE == RULE_MULT;
  float OMEGA = NL == 1 ? 1.0f : 0.5f;
  float QWBEST = INFINITY;
  if (mult) rule.OMEGA0 = OMEGA;

  if (fixed_lines()) check_sweep(NL, NK);
  // Whether the pair tables hold the current factors: each projection's
  // table is made again as soon as a sweep changes its factors, so only the
  // start of a call and an undone sweep need all of them made.
  bool tabulated = false;
  for (int ITER = 1; ITER <= trol.MITER; ++ITER) {
    ucopy(stor.HFAC.data(), conti.HSAVE.data(), HWORDS);
    if (!tabulated)
      for (int L = 1; L <= NL; ++L) tabulate(L, NK);
    tabulated = true;
    ICON = ITER;
    QAVD = 0.0f;
    int NZER = 0, NIND = 0, NINF = 0, NOUT = 0, N = 0;
    // Sums of QW: (C - M)^2/M, formed as D*(D/M) so that large counts do not
    // overflow, and M, over the samples with a measured value.
    float QWSUM = 0.0f, MSUM = 0.0f;

    for (pint.LPROJ = 1; pint.LPROJ <= NL; ++pint.LPROJ) {
      const int LPROJ = pint.LPROJ;
      const bool skip_zeros = all_tame(NL, LPROJ);
      const float CAP = factor_cap(LPROJ);
      int NKINF = 0;
      float SUMS[MAXK];
      line_integrals(LPROJ, NL, NK, skip_zeros, SUMS);
      for (int K = 1; K <= NK; ++K) {
        pint.SPOS = sample_position(K, LPROJ);
        float HNEW;
        if (std::fabs(pint.SPOS) > stor.SLIM) {
          NOUT += 1;
          HNEW = 0.0f;
        } else {
          const float SUM = SUMS[K - 1];
          const float PRKL = expd.PR(K, LPROJ);
          const float HOLD = stor.HFAC(K, LPROJ);
          const float POLD = HOLD * SUM;
          blank.PCAL(K, LPROJ) = POLD;
          if (PRKL > EPS && POLD > EPS) {
            const float RATIO = POLD / (PRKL + EPS);
            HNEW = HOLD;
            if (RATIO < RATLO) HNEW = HOLD * RATLO / RATIO;
            if (RATIO > RATHI) HNEW = HOLD * RATHI / RATIO;
            const float Q = std::fabs(RATIO - 1.0f);
            QAVD = QAVD + Q * Q;
            N += 1;
          } else if (PRKL > EPS) {
            NINF += 1;
            KINF[NKINF++] = K;
            HNEW = 0.0f;
          } else if (POLD > EPS) {
            NZER += 1;
            HNEW = HOLD * PRKL / (POLD + EPS);
          } else {
            NIND += 1;
            HNEW = HOLD * PRKL / (POLD + EPS);
          }
          if (mult) {
            if (PRKL > EPS) {
              const float D = POLD - PRKL;
              QWSUM = D * (D / PRKL) + QWSUM;
              MSUM = PRKL + MSUM;
            }
            HNEW = mult_update(HOLD, PRKL, POLD, OMEGA, EPS);
          }
        }
        if (HNEW > CAP) HNEW = 0.0f;
        stor.HFAC(K, LPROJ) = HNEW;
      }
      // Later projections of this sweep see the new factors.
      tabulate(LPROJ, NK);
      if (NKINF > 0) log_infinite(LPROJ, KINF, NKINF);
    }

    // No sample had both values above EPS, so the sweep has no measure of
    // fit: report it with the "no fit yet" value, never as convergence, undo
    // it like a worse sweep and end the call.
    const bool unmeasured = N == 0;
    if (unmeasured)
      QAVD = QAVD_NO_FIT;
    else
      QAVD = float(std::sqrt(double(QAVD / float(N))));

    rec::write_formatted(6, ITER_FORMAT, {ITER, QAVD, NINF, NIND, NZER, NOUT, N});
    rec::write_formatted(7, ITER_FORMAT, {ITER, QAVD, NINF, NIND, NZER, NOUT, N});
    if (kalo_iteration_hook) kalo_iteration_hook(ITER, QAVD, NINF, NIND, NZER, NOUT, N);

    if (mult) {
      // A sweep that does not lower QW is undone and halves the step; QAVD
      // then stays that of the factors kept.
      const float QW = MSUM > 0.0f ? float(std::sqrt(double(QWSUM / MSUM))) : 0.0f;
      if (QW < QWBEST) {
        QWBEST = QW;
        QOLD = QAVD;
        if (!unmeasured && QAVD <= trol.PREC) break;
      } else {
        ucopy(conti.HSAVE.data(), stor.HFAC.data(), HWORDS);
        tabulated = false;
        QAVD = QOLD;
        OMEGA = OMEGA / 2.0f;
        if (OMEGA < OMEGA_MIN) break;
      }
      continue;
    }
    if (!unmeasured && QAVD <= trol.PREC) break;
    if (unmeasured || QOLD <= QAVD) {
      ucopy(conti.HSAVE.data(), stor.HFAC.data(), HWORDS);
      tabulated = false;
      QAVD = QOLD;
      break;
    }
    QOLD = QAVD;
  }

  if (mult && trol.MITER > 0) {
    rule.OMEGA = OMEGA;
    rule.QW = QWBEST;
    rec::write_formatted(6, MULT_FORMAT, {rule.OMEGA0, OMEGA, QWBEST});
    rec::write_formatted(7, MULT_FORMAT, {rule.OMEGA0, OMEGA, QWBEST});
  }
  density(NL, NK, tabulated);
}
