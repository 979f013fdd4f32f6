#include "driver/test_sources.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <tuple>

#include "state/run_state.h"

namespace {

void make_source(int ntest) { trol.NTEST = ntest; setp(); }

// The shears keep areas, so every projection carries the mass of the
// density, and its centroid is the projection x + R12 y of the centre of mass.
TEST(TestSources, ProjectionMomentsMatchTheDensity) {
  const double pi = 3.14159265358979, disc = pi * 0.15 * 0.15, ring = 0.5 * pi * 0.0275;
  // Test number, mass, centre of mass.
  const std::tuple<int, double, double, double> cases[] = {
      {1, pi * 0.0625, 0.05, 0.0},
      {3, disc + ring, -0.05 * disc / (disc + ring), 0.02 * disc / (disc + ring)},
      {5, pi / std::sqrt(54.0 * 54.0 - 18.0 * 18.0), 0.02, 0.0},  // exp(-(54x²+36xy+54y²))
  };
  for (const auto& [ntest, mass, x, y] : cases) {
    make_source(ntest);
    for (int l = 1; l <= 3; ++l) {
      double area = 0, first = 0;
      for (int k = 1; k <= 51; ++k)  // sample k at s = (k - 1) STEP - SMID
        area += expd.PR(k, l), first += expd.PR(k, l) * (float(k - 1) * expd.STEP - expd.SMID(1));
      SCOPED_TRACE(testing::Message() << "test " << ntest << " projection " << l);
      EXPECT_NEAR(area * expd.STEP, mass, 0.025 * mass);  // the thin ring's edges cost 2 %
      EXPECT_NEAR(first / area, x + expd.R12T(l) * y, 0.002);
    }
  }
}

// The unsheared disc profile counts the points in the disc.  Its noisy copy
// has its own title; zeros stay zero and the relative deviations are normal
// with standard deviation 0.05/sqrt(2).
TEST(TestSources, DiscProfileAndItsNoisyCopy) {
  make_source(1);
  EXPECT_EQ(expd.PR(26, 2), 249 * (0.5f / 255));  // s = 0: 249 of the 511 points
  EXPECT_FLOAT_EQ(expd.PR(28, 2), 0.5f);          // s = 0.04: 255 points
  expd_t clean = expd;
  make_source(2);
  EXPECT_EQ(trol.TITLE, "Off-center solid cylinder" + std::string(15, ' ') + "(with noisy data)");
  double sum2 = 0, n = 0;
  for (int i = 0; i < 51 * 3; ++i) {
    if (clean.PR.v[i] == 0.0f) EXPECT_EQ(expd.PR.v[i], 0.0f) << i;
    else sum2 += std::pow(expd.PR.v[i] / clean.PR.v[i] - 1.0, 2), ++n;
  }
  EXPECT_NEAR(std::sqrt(sum2 / n), 0.0354, 0.011);
  // The tilted Gaussian reaches the ends of the integration line: its
  // profiles, weighted by position, as the trapezoid rule gives them.
  make_source(5);
  double sum = 0;
  for (int i = 0; i < 51 * 3; ++i) sum += double(expd.PR.v[i]) * (i + 1);
  EXPECT_EQ(sum, 0x1.68d8856eb82b3p+9) << std::hexfloat << sum;
}

TEST(InverseErrorFunction, InvertsErfAndRefusesOtherArguments) {
  EXPECT_EQ(erfi(0.0f), 0.0f);
  EXPECT_EQ(erfi(1.0f), 5.5f);
  EXPECT_NEAR(erfi(0.5f), 0.476936f, 2e-6);
  for (float y : {1e-6f, 0.62f, 0.999f, 0.99999994f})
    EXPECT_NEAR(std::erf(double(erfi(y))), y, 2e-7 + 2e-6 * y) << y;
  EXPECT_EXIT({ dup2(2, 1); erfi(1.5f); }, testing::ExitedWithCode(1),
              "^\n\n ERFI called with Y < 0 or Y > 1, result =  neg inde    finite \n\n$");
  EXPECT_EXIT({ dup2(2, 1); erfi(std::nanf("")); }, testing::ExitedWithCode(1),
              "^\n\n ERFI unable to converge, result =  neg indefinite \n\n$");
}

}  // namespace
