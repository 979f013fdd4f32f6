// The drawing side of the graphics window, in this process's own window:
// what goes to the server (through the device's counters) and what the
// window then shows (read back from a second connection).
#include <gtest/gtest.h>

#include "device/x11/window.h"
#include "device/x11/window_pen.h"

#include <unistd.h>

#include <cmath>
#include <functional>

#include "tests/support/x_image.h"

namespace {

constexpr std::uint32_t COLOUR[9] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF7F, 0x0000FF,
                                     0x00FFFF, 0xBC8F8F, 0xFFFF00, 0x030303};
constexpr const char* FONT1 = "*-HELVETICA-MEDIUM-R-NORMAL--*-120-*";
// The font the window takes for font index 1: the 75-dpi one.
constexpr const char* FONT1_75 = "*-HELVETICA-MEDIUM-R-NORMAL--*-120-75-75-*";

void line(float x1, float y1, float x2, float y2) {
  gramov(x1, y1);
  gradrw(x2, y2);
}

class ScreenWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ctl = x_open();
    if (!ctl) GTEST_SKIP() << "no X display";
    inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
    linex(0);
  }
  void TearDown() override { if (ctl) XCloseDisplay(ctl); }
  XShot shot(const std::function<void()>& draw) { return x_draw_shot(ctl, draw); }
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

// One picture: the colour table in solid lines (rows 100..180), text in a
// red block (rows 371..430) with two erased rectangles in it, a dashed
// yellow line (row 300), all read back from the saved image that
// vt220_push copies into the window.
TEST_F(ScreenWindow, ShowsColoursTextErasedRectanglesAndDashes) {
  XFontStruct* f = XLoadQueryFont(ctl, FONT1_75);
  ASSERT_NE(f, nullptr);
  text_out("", 0.0f, 0.0f, 0);  // font 0 in force
  int width = XTextWidth(f, "HIX", 3), changes = xwi_counters().font_changes;
  testing::internal::CaptureStdout();
  XShot s = shot([] {
    for (int i = 0; i <= 8; ++i) {
      set_col(i);
      line(100.0f, float(700 - 10 * i), 200.0f, float(700 - 10 * i));
    }
    set_col(2);
    line(90.0f, 370.0f, 300.0f, 370.0f);
    set_col(9);  // draws the pending line, keeps red
    EXPECT_EQ(xwi_pending(), 0);
    for (int y = 371; y < 430; ++y) line(90.0f, float(y), 300.0f, float(y));
    set_col(1);
    window_pen.text(100.0f, 400.0f, "HIXXXXXX", 3, 1);  // only "HIX" is drawn
    window_pen.text(100.0f, 400.0f, "HIX", 3, 1);      // the same font again
    eraser(250.0f, 380.0f, 260.0f, 390.0f);
    eraser(270.0f, 380.0f, 270.4f, 390.0f);  // empty: X would clear to the edge
    set_col(7);
    linex(1);
    line(100.0f, 500.0f, 140.0f, 500.0f);
    flush_xwi();
    grasave();
    erase();
    vt220_push();  // raises the window and copies the saved image back
  });
  vt220_pop();
  EXPECT_EQ(testing::internal::GetCapturedStdout().substr(0, 27),  // once per attempt
            "Color index 9 out of range\n");
  for (int i = 0; i <= 8; ++i) EXPECT_EQ(s.at(150, 100 + 10 * i), COLOUR[i]) << "colour " << i;
  EXPECT_EQ(s.at(95, 430), COLOUR[2]);
  EXPECT_EQ(s.at(95, 429), COLOUR[2]);
  for (int x = 100; x < 140; ++x)
    EXPECT_EQ(s.at(x, 300), (x - 100) % 4 < 2 ? COLOUR[7] : COLOUR[8]) << "column " << x;
  int glyph = 0;
  for (int y = 400 - f->ascent; y < 400 + f->descent; ++y)
    for (int x = 100; x < 100 + width; ++x) {
      std::uint32_t p = s.at(x, y);
      EXPECT_TRUE(p == COLOUR[8] || p == COLOUR[1]) << x << "," << y;
      glyph += p == COLOUR[1];
    }
  EXPECT_GT(glyph, 20);
  EXPECT_EQ(s.at(100 + width + 2, 400), COLOUR[2]);  // beyond the box: untouched
  EXPECT_EQ(s.at(255, 415), COLOUR[8]);
  EXPECT_EQ(s.at(245, 415), COLOUR[2]);
  EXPECT_EQ(s.at(275, 415), COLOUR[2]);
  EXPECT_EQ(xwi_counters().font_changes, changes + 1);
}

TEST_F(ScreenWindow, AFontPatternMatchingNothingFallsBackToFixed) {
  testing::internal::CaptureStdout();
  EXPECT_NE(xwi_load_font("*-NOSUCHFOUNDRY-NOSUCHFACE-*"), 0u);
  EXPECT_NE(xwi_load_font(FONT1), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Font *-NOSUCHFOUNDRY-NOSUCHFACE-* not found, using fixed\n");
}

}  // namespace
