// The drawing side of the graphics window, in this process's own window:
// what goes to the server (through the device's counters) and what the
// window then shows (read back from a second connection).
#include <gtest/gtest.h>

#include "device/x11/window.h"
#include "device/x11/window_pen.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <functional>

#include "tests/support/x_image.h"

namespace {

constexpr std::uint32_t COLOUR[9] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF7F, 0x0000FF,
                                     0x00FFFF, 0xBC8F8F, 0xFFFF00, 0x030303};
constexpr const char* FONT1 = "*-HELVETICA-MEDIUM-R-NORMAL--*-120-*";

class ScreenWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ctl = x_open();
    if (!ctl) GTEST_SKIP() << "no X display";
    inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
    win = xwi_window();
    set_col(1);
    linex(0);
    flush_xwi();
  }
  void TearDown() override {
    if (ctl) XCloseDisplay(ctl);
  }
  // Draws on a cleared window and reads it back, again if another window
  // covered it meanwhile (the tests share the display with others): a
  // window above it now, or an exposure since the drawing began.
  XShot shot(const std::function<void()>& draw) {
    XShot s;
    XSelectInput(ctl, win, ExposureMask);
    for (int attempt = 0; attempt < 40; ++attempt) {
      if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      XEvent ev;
      XRaiseWindow(ctl, win);
      XSync(ctl, False);
      while (XCheckTypedWindowEvent(ctl, win, Expose, &ev)) {
      }
      erase();
      draw();
      flush_xwi();
      xwi_sync();
      bool seen = x_unobscured(ctl, win) && x_capture(ctl, win, s) && x_unobscured(ctl, win);
      XSync(ctl, False);
      if (seen && !XCheckTypedWindowEvent(ctl, win, Expose, &ev)) return s;
    }
    ADD_FAILURE() << "window stayed covered";
    return s;
  }
  static void line(float x1, float y1, float x2, float y2) {
    gramov(x1, y1);
    gradrw(x2, y2);
  }
  Display* ctl = nullptr;
  unsigned long win = 0;
};

TEST_F(ScreenWindow, LongLinesGoOutIn499PointBatchesThatShareTheirJoint) {
  gramov(0.0f, 0.0f);
  XwiCounters before = xwi_counters();
  for (int i = 1; i <= 498; ++i) gradrw(float(i), float(i % 7));
  XwiCounters first = xwi_counters();
  EXPECT_EQ(first.polylines, before.polylines + 1);
  EXPECT_EQ(first.points, 499);
  EXPECT_EQ(first.flushes, before.flushes + 1);
  EXPECT_EQ(xwi_pending(), 1);
  for (int i = 499; i <= 996; ++i) gradrw(float(i % 1000), float(i % 7));
  XwiCounters second = xwi_counters();
  EXPECT_EQ(second.polylines, first.polylines + 1);
  EXPECT_EQ(second.points, 499);
  EXPECT_EQ(second.first_x, first.last_x);
  EXPECT_EQ(second.first_y, first.last_y);
  EXPECT_EQ(xwi_pending(), 1);
  flush_xwi();  // one lone point is still a request; an empty flush is none
  int sent = xwi_counters().polylines, flushed = xwi_counters().flushes;
  flush_xwi();
  EXPECT_EQ(xwi_counters().polylines, sent);
  EXPECT_EQ(xwi_counters().flushes, flushed);
}

TEST_F(ScreenWindow, CoordinatesTruncateTowardZeroAndYCountsFromHeight800) {
  struct Case {
    float x, y;
    int col, row;
  } cases[] = {
      {123.9f, 0.0f, 123, 800},  // y = 0 is one row below the window
      {0.7f, 800.0f, 0, 0},      // the top row
      {-0.7f, 799.3f, 0, 1},     // both truncate to 0 and 799
      {1e9f, -1e9f, 32767, 32767},  // kept inside 16 bits, not wrapped
      {NAN, 5.0f, 0, 795},
  };
  for (const Case& c : cases) {
    gramov(c.x, c.y);
    flush_xwi();
    EXPECT_EQ(xwi_counters().first_x, c.col) << c.x;
    EXPECT_EQ(xwi_counters().first_y, c.row) << c.y;
  }
  XResizeWindow(ctl, win, 1015, 600);  // as a user would
  XSync(ctl, False);
  gramov(10.0f, 1.0f);
  flush_xwi();
  EXPECT_EQ(xwi_counters().first_y, 799);
  XResizeWindow(ctl, win, 1015, 800);
  XSync(ctl, False);
}

TEST_F(ScreenWindow, ShowsTheColourTableSolidAndDashedLines) {
  testing::internal::CaptureStdout();
  XShot s = shot([] {
    for (int i = 0; i <= 8; ++i) {
      set_col(i);
      line(100.0f, float(700 - 10 * i), 200.0f, float(700 - 10 * i));
    }
    set_col(2);
    line(10.0f, 100.0f, 60.0f, 100.0f);
    set_col(9);  // draws the pending line, keeps red
    line(10.0f, 90.0f, 60.0f, 90.0f);
    set_col(7);
    linex(1);
    line(100.0f, 500.0f, 140.0f, 500.0f);
    flush_xwi();
    linex(0);
  });
  std::string out = testing::internal::GetCapturedStdout();  // once per attempt
  EXPECT_EQ(out.substr(0, 27), "Color index 9 out of range\n");
  for (int i = 0; i <= 8; ++i) EXPECT_EQ(s.at(150, 100 + 10 * i), COLOUR[i]) << "colour " << i;
  EXPECT_EQ(s.at(30, 700), COLOUR[2]);
  EXPECT_EQ(s.at(30, 710), COLOUR[2]);
  for (int x = 100; x < 140; ++x)
    EXPECT_EQ(s.at(x, 300), (x - 100) % 4 < 2 ? COLOUR[7] : COLOUR[8]) << "column " << x;
}

TEST_F(ScreenWindow, TextBlanksItsBoxAndChangesFontOnlyWhenItDiffers) {
  XFontStruct* f = XLoadQueryFont(ctl, FONT1);
  ASSERT_NE(f, nullptr);
  int width = XTextWidth(f, "HIX", 3);
  XShot s = shot([] {
    set_col(2);
    for (int y = 370; y < 430; ++y) line(90.0f, float(y), 300.0f, float(y));
    flush_xwi();
    set_col(1);
    window_pen.text(100.0f, 400.0f, "HIXXXXXX", 3, 1);  // only "HIX" is drawn
  });
  int glyph = 0;
  for (int y = 400 - f->ascent; y < 400 + f->descent; ++y)
    for (int x = 100; x < 100 + width; ++x) {
      std::uint32_t p = s.at(x, y);
      EXPECT_TRUE(p == COLOUR[8] || p == COLOUR[1]) << x << "," << y;
      glyph += p == COLOUR[1];
    }
  EXPECT_GT(glyph, 20);
  EXPECT_EQ(s.at(100 + width + 2, 400), COLOUR[2]);  // beyond the box: untouched
  ASSERT_TRUE(x_save_png(s, "/tmp/kalo_window_text.png"));
  XFreeFont(ctl, f);

  int changes = xwi_counters().font_changes;
  text_out("A", 10.0f, 10.0f, 2);
  text_out("B", 30.0f, 10.0f, 2);
  EXPECT_EQ(xwi_counters().font_changes, changes + 1);
  text_out("C", 50.0f, 10.0f, 2);
  EXPECT_EQ(xwi_counters().font_changes, changes + 1);
}

TEST_F(ScreenWindow, ErasingAndTheSavedImage) {
  auto red_block = [] {
    set_col(2);
    for (int y = 200; y < 220; ++y) line(200.0f, float(y), 240.0f, float(y));
  };
  XShot s = shot([&] {
    red_block();
    eraser(210.0f, 205.0f, 220.0f, 215.0f);
    eraser(230.0f, 205.0f, 230.4f, 215.0f);  // empty: X would clear to the edge
  });
  EXPECT_EQ(s.at(215, 590), COLOUR[8]);
  EXPECT_EQ(s.at(205, 590), COLOUR[2]);
  EXPECT_EQ(s.at(235, 590), COLOUR[2]);

  s = shot([&] {
    red_block();
    flush_xwi();
    grasave();
    erase();
    vt220_push();  // raises the window and copies the saved image back
  });
  EXPECT_EQ(xwi_image(), 1);
  EXPECT_EQ(xwi_focus(), 1);
  EXPECT_EQ(s.at(215, 590), COLOUR[2]);
  vt220_pop();
  EXPECT_EQ(xwi_focus(), 0);
}

TEST_F(ScreenWindow, AFontPatternMatchingNothingFallsBackToFixed) {
  testing::internal::CaptureStdout();
  EXPECT_NE(xwi_load_font("*-NOSUCHFOUNDRY-NOSUCHFACE-*"), 0u);
  EXPECT_NE(xwi_load_font(FONT1), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Font *-NOSUCHFOUNDRY-NOSUCHFACE-* not found, using fixed\n");
}

}  // namespace
