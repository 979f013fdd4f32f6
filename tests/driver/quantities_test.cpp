// The beam's quantities: closed-form moments of Gaussians on the grid,
// exact fractional emittances of a uniform density, no quantity from an
// empty density.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/quantities.h"

namespace {

constexpr int N = 51;
float w[N * N];
double x[N], xp[N];

// x from -10 to 10 mm, xp from -5 to 5 mrad.
void grid() {
  for (int i = 0; i < N; ++i) x[i] = -10.0 + 0.4 * i, xp[i] = -5.0 + 0.2 * i;
}

TEST(Quantities, GaussiansGiveTheirSigmaMatrix) {
  grid();
  // Centre and sigma matrix (mm^2, mm mrad, mrad^2); +-5 sigma inside the grid.
  const double c[2] = {0.5, -0.3};
  for (const double s12 : {0.0, 0.768}) {
    const double s11 = 2.56, s22 = 0.64, det = s11 * s22 - s12 * s12;
    for (int j = 0; j < N; ++j)
      for (int i = 0; i < N; ++i) {
        const double u = x[i] - c[0], v = xp[j] - c[1];
        w[i + N * j] = float(std::exp(-0.5 * (s22 * u * u - 2 * s12 * u * v + s11 * v * v) / det));
      }
    const BeamQuantities q = beam_quantities(w, N, N, N, x, xp);
    ASSERT_TRUE(q.has_beam && q.has_twiss);
    const double e = std::sqrt(det);
    const double got[] = {q.x_mean_mm, q.xp_mean_mrad, q.sigma11_mm2, q.sigma12_mm_mrad,
                          q.sigma22_mrad2, q.emittance_rms_mm_mrad, q.beta_m, q.alpha,
                          q.gamma_per_m};
    const double want[] = {c[0], c[1], s11, s12, s22, e, s11 / e, -s12 / e, s22 / e};
    for (int n = 0; n < 9; ++n)
      EXPECT_NEAR(got[n], want[n], 1e-3 * std::max(std::fabs(want[n]), 1.0)) << s12 << " " << n;
  }
}

TEST(Quantities, UniformCellsAndEmptyDensities) {
  grid();
  const double cell = 0.4 * 0.2;
  for (const int n : {1, 7, 37, 400}) {
    std::fill(w, w + N * N, 0.0f);
    for (int k = 0; k < n; ++k) w[(k % 20) + 3 + N * (k / 20 + 5)] = 2.5f;
    const BeamQuantities q = beam_quantities(w, N, N, N, x, xp);
    ASSERT_TRUE(q.has_beam);
    EXPECT_EQ(q.has_twiss, n > 7) << n;  // one cell or one row has no area
    for (int f = 0; f < N_FRACTIONS; ++f)
      EXPECT_NEAR(q.emittance_fraction_mm_mrad[f], FRACTION_PERCENT[f] / 100.0 * n * cell / M_PI,
                  1e-12)
          << n << " " << FRACTION_PERCENT[f];
  }
  std::fill(w, w + N * N, 0.0f);
  EXPECT_FALSE(beam_quantities(w, N, N, N, x, xp).has_beam);
  w[7] = -1.0f, w[8] = NAN;  // negative or not a number: no weight
  EXPECT_FALSE(beam_quantities(w, N, N, N, x, xp).has_beam);
}

}  // namespace
