// Texts drawn over numbers in the window: a y title or a blank title over
// a tick label leaves the label as it was drawn.
#include <gtest/gtest.h>

#include "device/x11/window.h"

#include "tests/support/x_image.h"

namespace {

TEST(TextOverNumbers, LeaveTheNumberWhole) {
  Display* ctl = x_open();
  if (!ctl) GTEST_SKIP() << "no X display";
  inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
  auto numbers = [] {
    set_col(3);
    text_out("100000", 100.0f, 400.0f, 1);
    text_out(" 90000", 100.0f, 300.0f, 1);
  };
  const XShot alone = x_draw_shot(ctl, numbers);
  const XShot covered = x_draw_shot(ctl, [&] {
    numbers();
    text_out("P", 100.0f, 400.0f, 1);   // the left column's y title
    text_out(" ", 104.0f, 300.0f, 1);   // the right column's blank one
    text_out("Px", 300.0f, 400.0f, 1);  // beside the numbers: drawn
  });
  int title = 0;
  for (int y = 0; y < alone.h; ++y)
    for (int x = 0; x < alone.w; ++x) {
      if (x < 290) ASSERT_EQ(covered.at(x, y), alone.at(x, y)) << x << "," << y;
      else title += covered.at(x, y) != alone.at(x, y);
    }
  EXPECT_GT(title, 20);
  XCloseDisplay(ctl);
}

}  // namespace
