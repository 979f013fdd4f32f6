#include "engine/integrals.h"

#include <gtest/gtest.h>

#include "state/run_state.h"

namespace {

// STEP = 0.25 and RSTEP = 4, so every position below is exact in binary.
constexpr float SLIM = 6.25f, STEP = 0.25f;

TEST(Integrals, HintInterpolatesInsideTheWindowAndIsZeroOutside) {
  expd.NK = 51;
  expd.RSTEP = 1.0f / STEP;
  stor.SLIM = SLIM;
  for (int k = 1; k <= 51; ++k) stor.HFAC(k, 1) = float(k + 1);  // sample k holds k + 1
  const struct { const char* what; float SREF, S, expected; } cases[] = {
      {"first sample", SLIM, -SLIM, 2},
      {"between samples 10 and 11", SLIM, 9.5f * STEP - SLIM, 11.5f},
      {"just past the window", SLIM, SLIM * (1 + 1e-6f), 0},
      // Half a spacing past the last sample is inside the window only when
      // SREF lies at least half a spacing above SLIM.
      {"half past last, SREF half a spacing above", SLIM + STEP / 2, SLIM, 26},
      {"half past last, SREF = SLIM", SLIM, SLIM + STEP / 2, 0},
      {"half before first", SLIM - STEP, -SLIM + STEP / 2, 1},
      {"reference point far off the table", 1e12f, 0, 0},
  };
  for (const auto& c : cases) {
    stor.SREF(1) = c.SREF;
    EXPECT_EQ(hint(c.S, 1), c.expected) << c.what;
  }
}

float one(const float&) { return 1.0f; }

// Every point carries the full weight: 51 * 0.02, not 1; one point spans
// nothing.
TEST(Integrals, QtrapGivesEveryPointTheFullWeight) {
  EXPECT_NEAR(qtrap(one, -0.5f, 0.5f, 51), 1.02f, 1e-6f);
  EXPECT_EQ(qtrap(one, 0.0f, 1.0f, 1), 0.0f);
}

}  // namespace
