#include "engine/integrals.h"

#include <gtest/gtest.h>

#include "driver/run_state.h"
#include "engine_state.h"

namespace {

using engine_test::set_matrix;
using engine_test::set_projections;
using engine_test::set_window;

// A window where every position below is exact in binary:
// STEP = 0.25, RSTEP = 4, samples at 0, 0.25, ..., 12.5 from the first.
constexpr float SLIM = 6.25f;
constexpr float STEP = 0.25f;

class Integrals : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_run_state();
    set_window(SLIM, 0.5f);
    set_matrix(1, 1, -1, 0, 1);
    set_matrix(2, 1, 0, 0, 1);
    set_matrix(3, 1, 1, 0, 1);
    set_projections(3);
  }
  void TearDown() override { reset_run_state(); }
};

TEST_F(Integrals, HintInterpolatesInsideTheWindowAndFallsToZeroOutside) {
  // Projection 1 carries the factors 1, 2, ..., 51, so a value names the
  // position it was read at.
  for (int k = 1; k <= 51; ++k) stor.HFAC(k, 1) = float(k);
  struct Case {
    const char* what;
    float SREF;
    float S;
    float expected;
  };
  const Case cases[] = {
      {"first sample", SLIM, -SLIM, 1.0f},
      {"middle sample", SLIM, 0.0f, 26.0f},
      {"last sample", SLIM, SLIM, 51.0f},
      {"between samples 10 and 11", SLIM, 9.5f * STEP - SLIM, 10.5f},
      {"just past the window", SLIM, SLIM * (1.0f + 1e-6f), 0.0f},
      {"just before the window", SLIM, -SLIM * (1.0f + 1e-6f), 0.0f},
      // Half a spacing past the last sample lies inside the window only when
      // SREF is at least half a spacing above SLIM.
      {"half past last, SREF one spacing above", SLIM + STEP, 50.5f * STEP - SLIM - STEP, 25.5f},
      {"half past last, SREF half a spacing above", SLIM + STEP / 2, SLIM, 25.5f},
      {"half past last, SREF = SLIM", SLIM, 50.5f * STEP - SLIM, 0.0f},
      {"half past last, SREF below SLIM", SLIM - STEP, 50.5f * STEP - SLIM + STEP, 0.0f},
      // Before the first sample the function rises from 0 toward HFAC(1).
      {"half before first", SLIM - STEP, -0.5f * STEP - SLIM + STEP, 0.5f},
      {"one spacing before first", SLIM - 2 * STEP, -STEP - SLIM + 2 * STEP, 0.0f},
      {"one and a half past last", SLIM + 2 * STEP, 51.5f * STEP - SLIM - 2 * STEP, 0.0f},
      // A reference point far off the table reads zeros, never outside HFAC.
      {"reference point far off", 1e12f, 0.0f, 0.0f},
      {"reference point far below", -1e12f, 0.0f, 0.0f},
  };
  for (const Case& c : cases) {
    stor.SREF(1) = c.SREF;
    const int L = 1;
    EXPECT_EQ(hint(c.S, L), c.expected) << c.what;
  }
}

TEST_F(Integrals, HintOnTheTestSourceWindow) {
  set_window(0.5f, 0.5f);
  stor.SREF(2) = 0.5f;
  for (int k = 1; k <= 51; ++k) stor.HFAC(k, 2) = 3.0f;
  const int L = 2;
  EXPECT_EQ(hint(0.5f * (1.0f + 1e-6f), L), 0.0f);
  EXPECT_EQ(hint(0.0f, L), 3.0f);
  EXPECT_NEAR(hint(0.49f, L), 3.0f, 1e-5f);
  // Half a spacing past the last sample is outside this window.
  EXPECT_EQ(hint(0.51f, L), 0.0f);
}

TEST_F(Integrals, ProdMultipliesTheOtherProjectionsOnly) {
  for (int k = 1; k <= 51; ++k) {
    stor.HFAC(k, 1) = 2.0f;
    stor.HFAC(k, 2) = 0.0f;
    stor.HFAC(k, 3) = 3.0f;
  }
  pint.SPOS = 0.0f;
  pint.LPROJ = 2;
  EXPECT_EQ(prod(0.0f), 6.0f);
  EXPECT_EQ(pint.TPOS, 0.0f);
  pint.LPROJ = 1;  // projection 2's zeros now enter the product
  EXPECT_EQ(prod(0.0f), 0.0f);

  // The point (SPOS, T) of projection 2's frame is (x, y) = (SPOS, T), which
  // lies at s = x - y on projection 1: with factors k there, the product
  // reads the ramp at s = 0.5 - 0.25.
  for (int k = 1; k <= 51; ++k) {
    stor.HFAC(k, 1) = float(k);
    stor.HFAC(k, 3) = 1.0f;
  }
  pint.LPROJ = 2;
  pint.SPOS = 0.5f;
  EXPECT_EQ(prod(0.25f), 4.0f * (0.25f + SLIM) + 1.0f);
  EXPECT_EQ(pint.TPOS, 0.25f);

  // A single projection has nothing to multiply.
  expd.NL = 1;
  pint.LPROJ = 1;
  EXPECT_EQ(prod(0.3f), 1.0f);
}

float one(const float&) { return 1.0f; }
float identity(const float& x) { return x; }
float square(const float& x) { return x * x; }

TEST(Qtrap, GivesEveryPointTheFullWeight) {
  struct Case {
    const char* what;
    float (*F)(const float&);
    float A, B;
    int N;
    float expected;
  };
  const Case cases[] = {
      {"1 over [-0.5, 0.5], 51 points", one, -0.5f, 0.5f, 51, 1.02f},
      {"x over [0, 1], 3 points", identity, 0.0f, 1.0f, 3, 0.75f},
      {"x^2 over [0, 2], 3 points", square, 0.0f, 2.0f, 3, 5.0f},
      {"reversed limits", one, 0.5f, -0.5f, 51, -1.02f},
      {"a single point spans nothing", one, 0.0f, 1.0f, 1, 0.0f},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(qtrap(c.F, c.A, c.B, c.N), c.expected, 1e-6f) << c.what;
}

TEST(Ucopy, CopiesExactlyNWordsInOrder) {
  float from[6] = {1, 2, 3, 4, 5, 6};
  float to[6] = {0, 0, 0, 0, 0, 0};
  ucopy(from, to, 4);
  EXPECT_EQ(to[0], 1.0f);
  EXPECT_EQ(to[3], 4.0f);
  EXPECT_EQ(to[4], 0.0f);
}

}  // namespace
