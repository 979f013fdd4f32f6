// Run states for the engine tests, built directly in the shared records.
#pragma once

#include <array>
#include <vector>

#include "driver/run_state.h"

namespace engine_test {

// 51 samples, the s and t windows, a centred grid, and one projection per
// matrix {R11, R12, R21, R22} with SREF = SLIM and start factors 1.
inline void make_state(float SLIM, float TLIM, const std::vector<std::array<float, 4>>& R) {
  expd.NK = tran.NX = tran.NY = 51;
  stor.SLIM = SLIM;
  stor.TLIM = TLIM;
  expd.STEP = (SLIM + SLIM) / 50.0f;
  expd.RSTEP = 1.0f / expd.STEP;
  for (int i = 1; i <= 51; ++i) {
    tran.XGRID(i) = float(i - 1) * (2.0f * SLIM / 50.0f) - SLIM;
    tran.YGRID(i) = float(i - 1) * (2.0f * TLIM / 50.0f) - TLIM;
  }
  expd.NL = int(R.size());
  int l = 0;
  for (const auto& r : R) {
    ++l;
    const float D = 1.0f / (r[0] * r[3] - r[1] * r[2]);
    const float inv[4] = {r[3] * D, -(r[1] * D), -(r[2] * D), r[0] * D};
    for (int e = 0; e < 4; ++e) {
      stor.RMAT(1 + e / 2, 1 + e % 2, l) = r[e];
      stor.RINV(1 + e / 2, 1 + e % 2, l) = inv[e];
    }
    stor.SREF(l) = SLIM;
    for (int k = 1; k <= 51; ++k) stor.HFAC(k, l) = 1.0f;
  }
  for (int i = 1; i <= expd.NL; ++i)
    for (int j = 1; j <= expd.NL; ++j) {
      pint.AMAT(i, j) = stor.RMAT(1, 1, i) * stor.RINV(1, 1, j) + stor.RMAT(1, 2, i) * stor.RINV(2, 1, j);
      pint.BMAT(i, j) = stor.RMAT(1, 1, i) * stor.RINV(1, 2, j) + stor.RMAT(1, 2, i) * stor.RINV(2, 2, j);
    }
}

// Profiles of the density rho(x, y): sums along t across each frame.
template <typename Density>
void project(Density rho) {
  for (int l = 1; l <= expd.NL; ++l)
    for (int k = 1; k <= 51; ++k) {
      const float S = float(k - 1) * expd.STEP - stor.SREF(l);
      float sum = 0.0f;
      for (int n = -200; n <= 200; ++n) {
        const float T = float(n) * 0.005f;
        sum += rho(stor.RINV(1, 1, l) * S + stor.RINV(1, 2, l) * T,
                   stor.RINV(2, 1, l) * S + stor.RINV(2, 2, l) * T) * 0.005f;
      }
      expd.PR(k, l) = sum;
    }
}

}  // namespace engine_test
