// Projection integrals: the building blocks of the maximum-entropy iteration.
//
// Each projection's H-function is a linear interpolation in its 51 H-factors;
// the density is the product of all projections' H-functions.  These are the
// plain forms; kalo.cpp runs the same arithmetic over whole lines at once.
#include "engine/integrals.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "state/run_state.h"

float hint(const float& S, const int& L) {
  if (std::fabs(S) > stor.SLIM) return 0.0f;
  const float SL = S + stor.SREF(L);
  const float RA = expd.RSTEP * SL;
  if (!(std::fabs(RA) < RA_LIMIT)) return 0.0f;
  const int K1 = hint_start(RA);
  const int K2 = K1 + 1;
  const float T1 = RA - float(K1 - 1);
  const float H1 = (K1 >= 1 && K1 <= expd.NK) ? stor.HFAC(K1, L) : 0.0f;
  const float H2 = (K2 >= 1 && K2 <= expd.NK) ? stor.HFAC(K2, L) : 0.0f;
  return (H2 - H1) * T1 + H1;
}

float prod(const float& T) {
  pint.TPOS = T;
  float PRH = 1.0f;
  for (int L2 = 1; L2 <= expd.NL; ++L2) {
    if (L2 == pint.LPROJ) continue;
    const float S2 =
        pint.SPOS * pint.AMAT(L2, pint.LPROJ) + pint.TPOS * pint.BMAT(L2, pint.LPROJ);
    PRH = hint(S2, L2) * PRH;
  }
  return PRH;
}

float qtrap(float (*F)(const float&), const float& A, const float& B, const int& N) {
  // A single point spans no interval.
  if (N < 2) return 0.0f;
  const float DX = (B - A) / float(N - 1);
  float SUM = 0.0f;
  float X = A;
  for (int i = 1; i <= N; ++i) {
    SUM = F(X) + SUM;
    X = X + DX;
  }
  return SUM * DX;
}

void ucopy(const float* A, float* B, const int& N) {
  if (N > 0) std::memmove(B, A, sizeof(float) * std::size_t(N));
}
