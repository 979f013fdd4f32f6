// The drawing side of the graphics window, in this process's own window:
// what goes to the server, through the device's counters.
#include <gtest/gtest.h>

#include "device/x11/window.h"

#include <cmath>

#include "tests/support/x_image.h"

namespace {

constexpr const char* FONT1 = "*-HELVETICA-MEDIUM-R-NORMAL--*-120-*";
class ScreenWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ctl = x_open();
    if (!ctl) GTEST_SKIP() << "no X display";
    inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
    linex(0);
  }
  void TearDown() override { if (ctl) XCloseDisplay(ctl); }
  Display* ctl = nullptr;
};

TEST_F(ScreenWindow, LongLinesGoOutIn499PointBatchesThatShareTheirJoint) {
  gramov(0.0f, 0.0f);
  XwiCounters before = xwi_counters(), batch[2];
  for (int b = 0; b < 2; ++b) {
    for (int i = 1; i <= 498; ++i) gradrw(float(498 * b + i), float(i % 7));
    batch[b] = xwi_counters();
    EXPECT_EQ(batch[b].polylines, before.polylines + b + 1);
    EXPECT_EQ(batch[b].points, 499);
    EXPECT_EQ(xwi_pending(), 1);
  }
  EXPECT_EQ(batch[1].flushes, before.flushes + 2);
  EXPECT_EQ(batch[1].first_x, batch[0].last_x);
  EXPECT_EQ(batch[1].first_y, batch[0].last_y);
  flush_xwi();  // one lone point is still a request; an empty flush is none
  XwiCounters sent = xwi_counters();
  flush_xwi();
  EXPECT_EQ(xwi_counters().polylines, sent.polylines);
  EXPECT_EQ(xwi_counters().flushes, sent.flushes);
}

TEST_F(ScreenWindow, CoordinatesTruncateTowardZeroAndYCountsFromHeight800) {
  const float cases[][4] = {  // x, y, window column, window row
      {123.9f, 0.0f, 123, 800},  // y = 0 is one row below the window
      {0.7f, 800.0f, 0, 0},      // the top row
      {-0.7f, 799.3f, 0, 1},     // both truncate to 0 and 799
      {1e9f, -1e9f, 32767, 32767},  // kept inside 16 bits, not wrapped
      {NAN, 5.0f, 0, 795},
  };
  for (const auto& c : cases) {
    gramov(c[0], c[1]);
    flush_xwi();
    EXPECT_EQ(xwi_counters().first_x, int(c[2])) << c[0];
    EXPECT_EQ(xwi_counters().first_y, int(c[3])) << c[1];
  }
}

TEST_F(ScreenWindow, AFontPatternMatchingNothingFallsBackToFixed) {
  testing::internal::CaptureStdout();
  EXPECT_NE(xwi_load_font("*-NOSUCHFOUNDRY-NOSUCHFACE-*"), 0u);
  EXPECT_NE(xwi_load_font(FONT1), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Font *-NOSUCHFOUNDRY-NOSUCHFACE-* not found, using fixed\n");
}

}  // namespace
