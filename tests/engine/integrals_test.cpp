#include "engine/integrals.h"

#include <gtest/gtest.h>

#include "engine_state.h"

namespace {

// STEP = 0.25 and RSTEP = 4, so every position below is exact in binary.
constexpr float SLIM = 6.25f, STEP = 0.25f;

TEST(Integrals, HintInterpolatesInsideTheWindowAndIsZeroOutside) {
  reset_run_state();
  engine_test::make_state(SLIM, 0.5f, {{1, 0, 0, 1}});
  for (int k = 1; k <= 51; ++k) stor.HFAC(k, 1) = float(k);  // a value names its position
  struct Case { const char* what; float SREF, S, expected; };
  const Case cases[] = {
      {"first sample", SLIM, -SLIM, 1},
      {"between samples 10 and 11", SLIM, 9.5f * STEP - SLIM, 10.5f},
      {"just past the window", SLIM, SLIM * (1 + 1e-6f), 0},
      // Half a spacing past the last sample is inside the window only when
      // SREF lies at least half a spacing above SLIM.
      {"half past last, SREF half a spacing above", SLIM + STEP / 2, SLIM, 25.5f},
      {"half past last, SREF = SLIM", SLIM, SLIM + STEP / 2, 0},
      {"half before first", SLIM - STEP, -SLIM + STEP / 2, 0.5f},
      {"reference point far off the table", 1e12f, 0, 0},
  };
  for (const Case& c : cases) {
    stor.SREF(1) = c.SREF;
    EXPECT_EQ(hint(c.S, 1), c.expected) << c.what;
  }
}

float one(const float&) { return 1.0f; }
float identity(const float& x) { return x; }

TEST(Integrals, QtrapGivesEveryPointTheFullWeight) {
  EXPECT_NEAR(qtrap(one, -0.5f, 0.5f, 51), 1.02f, 1e-6f);
  EXPECT_NEAR(qtrap(identity, 0.0f, 1.0f, 3), 0.75f, 1e-6f);  // the trapezoid rule gives 0.5
  EXPECT_EQ(qtrap(one, 0.0f, 1.0f, 1), 0.0f);                   // one point spans nothing
}

}  // namespace
