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
// a line at once, from zero-padded copies of the H-factor tables, with every
// single-precision operation and every sum in the same order as
// qtrap(prod, ...) with hint, so the results are identical bit for bit.
#include "engine/kalo.h"

#include <algorithm>
#include <cmath>

#include "driver/run_state.h"
#include "driver/text_records.h"
#include "engine/integrals.h"

namespace {

// Values at or below this count as zero; also a guard added to denominators.
constexpr float EPSIL = 1.0e-20f;
// A new H-factor above this is taken as runaway growth and set to 0.
constexpr float HCAP = 1.0e7f;
// Same guard as in hint: positions this far out are off every table.
constexpr float RA_LIMIT = 1.0e8f;
// Factors per padded table: one zero slot before sample 1 and one after
// sample 51, so any interpolation index clamps onto a zero.
constexpr int PADDED = MAXK + 2;

constexpr const char* ITER_FORMAT =
    "(' ITER= ',I2,', QAVD= ',1P,E9.2,', NINF= ',I3,', NIND= ',I3,', NZER= ',I3,"
    "', NOUT= ',I3,', N= ',I3)";
constexpr const char* INFINITE_FORMAT =
    "(' HFAC infinite   L   = ',I3,'; K   = ',I2,14(',',I2))";
// Sample numbers per "HFAC infinite" line.
constexpr int INFINITE_PER_LINE = 15;

// H-factors of every projection, slot k holding HFAC(k, l), slots 0 and
// NK + 1 zero.
float padded[MAXL][PADDED];

void pad_projection(int L, int NK) {
  float* H = padded[L - 1];
  H[0] = 0.0f;
  for (int k = 1; k <= NK; ++k) H[k] = stor.HFAC(k, L);
  for (int k = NK + 1; k < PADDED; ++k) H[k] = 0.0f;
}

// hint(S, L) on the padded table H: the same operations in the same order.
inline float hpad(const float* H, float S, float SLIM, float RSTEP, float SREF, int NK) {
  if (std::fabs(S) > SLIM) return 0.0f;
  const float SL = S + SREF;
  const float RA = RSTEP * SL;
  if (!(std::fabs(RA) < RA_LIMIT)) return 0.0f;
  int K1 = int(RA) + 1;
  if (RA < 0.0f) K1 -= 1;
  const float T1 = RA - float(K1 - 1);
  const float H1 = H[std::clamp(K1, 0, NK + 1)];
  const float H2 = H[std::clamp(K1 + 1, 0, NK + 1)];
  return (H2 - H1) * T1 + H1;
}

// qtrap(prod, -TLIM, TLIM, NPTS) for the line at SPOS of projection LPROJ.
float line_integral(int LPROJ, float SPOS, int NL, int NK, int NPTS) {
  const float A = -stor.TLIM;
  const float B = stor.TLIM;
  if (NPTS < 2) return 0.0f;
  const float DX = (B - A) / float(NPTS - 1);
  float T[MAXK];
  float P[MAXK];
  float X = A;
  for (int n = 0; n < NPTS; ++n) {
    T[n] = X;
    P[n] = 1.0f;
    X = X + DX;
  }
  const float SLIM = stor.SLIM;
  const float RSTEP = expd.RSTEP;
  for (int L2 = 1; L2 <= NL; ++L2) {
    if (L2 == LPROJ) continue;
    const float SA = SPOS * pint.AMAT(L2, LPROJ);
    const float SB = pint.BMAT(L2, LPROJ);
    const float SREF = stor.SREF(L2);
    const float* H = padded[L2 - 1];
    for (int n = 0; n < NPTS; ++n) {
      const float S2 = SA + T[n] * SB;
      P[n] = hpad(H, S2, SLIM, RSTEP, SREF, NK) * P[n];
    }
  }
  float SUM = 0.0f;
  for (int n = 0; n < NPTS; ++n) SUM = P[n] + SUM;
  pint.TPOS = T[NPTS - 1];
  return SUM * DX;
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

// RHO on the grid from the current H-factors.
void density() {
  const int NL = std::min(expd.NL, MAXL);
  for (int i = 1; i <= tran.NX; ++i) {
    for (int j = 1; j <= tran.NY; ++j) {
      const float X = tran.XGRID(i);
      const float Y = tran.YGRID(j);
      float PRH = 1.0f;
      for (int L = 1; L <= NL; ++L) {
        const float S = stor.RMAT(1, 1, L) * X + stor.RMAT(1, 2, L) * Y;
        PRH = hint(S, L) * PRH;
      }
      tran.RHO(i, j) = PRH;
    }
  }
}

}  // namespace

void kalo(int& ICON, float& QAVD) {
  const int NK = std::min(expd.NK, MAXK);
  const int NL = std::min(expd.NL, MAXL);
  const int HWORDS = MAXK * MAXL;  // the whole H-factor table, used or not
  const float RATLO = 1.0f - trol.QTOL;
  const float RATHI = 1.0f + trol.QTOL;
  float QOLD = 10.0f / EPSIL;
  int KINF[MAXK];

  for (int ITER = 1; ITER <= trol.MITER; ++ITER) {
    ucopy(stor.HFAC.data(), conti.HSAVE.data(), HWORDS);
    for (int L = 1; L <= NL; ++L) pad_projection(L, NK);
    ICON = ITER;
    QAVD = 0.0f;
    int NZER = 0, NIND = 0, NINF = 0, NOUT = 0, N = 0;

    for (pint.LPROJ = 1; pint.LPROJ <= NL; ++pint.LPROJ) {
      const int LPROJ = pint.LPROJ;
      int NKINF = 0;
      for (int K = 1; K <= NK; ++K) {
        pint.SPOS = float(K - 1) * expd.STEP - stor.SREF(LPROJ);
        float HNEW;
        if (std::fabs(pint.SPOS) > stor.SLIM) {
          NOUT += 1;
          HNEW = 0.0f;
        } else {
          const float SUM = line_integral(LPROJ, pint.SPOS, NL, NK, NK);
          const float PRKL = expd.PR(K, LPROJ);
          const float HOLD = stor.HFAC(K, LPROJ);
          const float POLD = HOLD * SUM;
          blank.PCAL(K, LPROJ) = POLD;
          if (PRKL > EPSIL && POLD > EPSIL) {
            const float RATIO = POLD / (PRKL + EPSIL);
            HNEW = HOLD;
            if (RATIO < RATLO) HNEW = HOLD * RATLO / RATIO;
            if (RATIO > RATHI) HNEW = HOLD * RATHI / RATIO;
            const float Q = std::fabs(RATIO - 1.0f);
            QAVD = QAVD + Q * Q;
            N += 1;
          } else if (PRKL > EPSIL) {
            NINF += 1;
            KINF[NKINF++] = K;
            HNEW = 0.0f;
          } else if (POLD > EPSIL) {
            NZER += 1;
            HNEW = HOLD * PRKL / (POLD + EPSIL);
          } else {
            NIND += 1;
            HNEW = HOLD * PRKL / (POLD + EPSIL);
          }
        }
        if (HNEW > HCAP) HNEW = 0.0f;
        stor.HFAC(K, LPROJ) = HNEW;
      }
      // Later projections of this sweep see the new factors.
      pad_projection(LPROJ, NK);
      if (NKINF > 0) log_infinite(LPROJ, KINF, NKINF);
    }

    // No sample had both values above EPSIL, so the sweep has no measure of
    // fit: report it with the "no fit yet" value, never as convergence, undo
    // it like a worse sweep and end the call.
    const bool unmeasured = N == 0;
    if (unmeasured)
      QAVD = 10.0f / EPSIL;
    else
      QAVD = float(std::sqrt(double(QAVD / float(N))));

    rec::write_formatted(6, ITER_FORMAT, {ITER, QAVD, NINF, NIND, NZER, NOUT, N});
    rec::write_formatted(7, ITER_FORMAT, {ITER, QAVD, NINF, NIND, NZER, NOUT, N});

    if (!unmeasured && QAVD <= trol.PREC) break;
    if (unmeasured || QOLD <= QAVD) {
      ucopy(conti.HSAVE.data(), stor.HFAC.data(), HWORDS);
      QAVD = QOLD;
      break;
    }
    QOLD = QAVD;
  }

  density();
}
