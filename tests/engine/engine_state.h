// Run states for the engine tests, built directly in the shared records:
// a window, a set of transfer matrices, profiles projected from a known
// density, and the coefficients the iteration reads.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/run_state.h"

namespace engine_test {

// Sets 51 samples per profile, the s and t windows and a centred 51 x 51 grid.
inline void set_window(float SLIM, float TLIM) {
  expd.NK = 51;
  stor.SLIM = SLIM;
  stor.TLIM = TLIM;
  expd.STEP = (SLIM + SLIM) / float(expd.NK - 1);
  expd.RSTEP = 1.0f / expd.STEP;
  expd.LREF = 1;
  tran.NX = tran.NY = 51;
  for (int i = 1; i <= 51; ++i) {
    tran.XGRID(i) = float(i - 1) * (2.0f * SLIM / 50.0f) - SLIM;
    tran.YGRID(i) = float(i - 1) * (2.0f * TLIM / 50.0f) - TLIM;
  }
}

// Transfer matrix of projection l and its inverse.
inline void set_matrix(int l, float R11, float R12, float R21, float R22) {
  stor.RMAT(1, 1, l) = R11;
  stor.RMAT(1, 2, l) = R12;
  stor.RMAT(2, 1, l) = R21;
  stor.RMAT(2, 2, l) = R22;
  const float D = 1.0f / (R11 * R22 - R12 * R21);
  stor.RINV(1, 1, l) = R22 * D;
  stor.RINV(2, 2, l) = R11 * D;
  stor.RINV(1, 2, l) = -(R12 * D);
  stor.RINV(2, 1, l) = -(R21 * D);
}

// NL projections with s = 0 in the middle of each window (SREF = SLIM), the
// projection-to-projection coefficients, and start factors 1.
inline void set_projections(int NL) {
  expd.NL = NL;
  for (int l = 1; l <= NL; ++l) {
    expd.SMID(l) = stor.SLIM;
    stor.SREF(l) = stor.SLIM;
    for (int k = 1; k <= 51; ++k) stor.HFAC(k, l) = 1.0f;
  }
  for (int i = 1; i <= NL; ++i)
    for (int j = 1; j <= NL; ++j) {
      pint.AMAT(i, j) = stor.RMAT(1, 1, i) * stor.RINV(1, 1, j) +
                        stor.RMAT(1, 2, i) * stor.RINV(2, 1, j);
      pint.BMAT(i, j) = stor.RMAT(1, 1, i) * stor.RINV(1, 2, j) +
                        stor.RMAT(1, 2, i) * stor.RINV(2, 2, j);
    }
}

// Profiles of the density rho: trapezoid rule along t across the frame of
// each projection, wide enough to hold the whole density.
template <typename Density>
void project(Density rho, float half_width = 1.0f) {
  constexpr int M = 401;
  const float DT = 2.0f * half_width / float(M - 1);
  for (int l = 1; l <= expd.NL; ++l)
    for (int k = 1; k <= expd.NK; ++k) {
      const float S = float(k - 1) * expd.STEP - stor.SREF(l);
      double sum = 0.0;
      for (int n = 0; n < M; ++n) {
        const float T = -half_width + float(n) * DT;
        const float X = stor.RINV(1, 1, l) * S + stor.RINV(1, 2, l) * T;
        const float Y = stor.RINV(2, 1, l) * S + stor.RINV(2, 2, l) * T;
        const double w = (n == 0 || n == M - 1) ? 0.5 : 1.0;
        sum += w * rho(X, Y);
      }
      expd.PR(k, l) = float(sum * DT);
    }
}

// The records the iteration reads or writes, copied as one value.
struct Snapshot {
  trol_t trol;
  expd_t expd;
  stor_t stor;
  tran_t tran;
  conti_t conti;
  pint_t pint;
  blank_t blank;

  static Snapshot take() { return {::trol, ::expd, ::stor, ::tran, ::conti, ::pint, ::blank}; }
  void restore() const {
    ::trol = trol;
    ::expd = expd;
    ::stor = stor;
    ::tran = tran;
    ::conti = conti;
    ::pint = pint;
    ::blank = blank;
  }
};

// Checks that two float arrays agree bit for bit; names the first slot that
// differs.
template <int N1, int N2, int N3>
::testing::AssertionResult same_bits(const FArray<float, N1, N2, N3>& a,
                                     const FArray<float, N1, N2, N3>& b) {
  for (int i = 0; i < a.size; ++i) {
    std::uint32_t x, y;
    std::memcpy(&x, &a.v[i], 4);
    std::memcpy(&y, &b.v[i], 4);
    if (x != y)
      return ::testing::AssertionFailure()
             << "word " << i << " (1-based " << i % N1 + 1 << "," << i / N1 % N2 + 1 << ","
             << i / (N1 * N2) + 1 << "): " << a.v[i] << " vs " << b.v[i];
  }
  return ::testing::AssertionSuccess();
}

inline std::uint32_t bits(float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

}  // namespace engine_test
