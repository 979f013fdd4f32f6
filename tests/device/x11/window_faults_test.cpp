// What the window must not show or take: texts over numbers, the wheel and
// side buttons, a lone Control, menus cancelled or near the screen's edge,
// keys typed between visits, a window that another client destroys.
#include <gtest/gtest.h>

#include "device/x11/window.h"

#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "tests/support/x_input.h"

namespace {

class WindowFaults : public XChildTest {};

// A y title or a blank title over a tick label leaves the label whole.
TEST_F(WindowFaults, TextsOverNumbersLeaveThemWhole) {
  inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
  auto numbers = [] {
    set_col(3);
    text_out("100000", 100.0f, 400.0f, 1);
    text_out(" 90000", 100.0f, 300.0f, 1);
  };
  const XShot alone = x_draw_shot(ctl, numbers), covered = x_draw_shot(ctl, [&] {
    numbers();
    text_out("P", 100.0f, 400.0f, 1);
    text_out(" ", 104.0f, 300.0f, 1);
  });
  EXPECT_GT(std::count(alone.rgb.begin(), alone.rgb.end(), 0x00FF7Fu), 50);  // the digits
  EXPECT_TRUE(covered.rgb == alone.rgb);
}

// Asks one question; reports the answer up to its first blank (a button's
// without the position) and the button that gave it.
void ask() {
  char a[31] = "                              ";
  getinp(10.0f, 800.0f, "Q ", a, 30);
  x_report(std::string(a, std::strcspn(a, " ")) + "|" + std::to_string(xwi_answer_button()));
}

TEST_F(WindowFaults, AnswersAreIgnoredCancelledOrEndTheVisit) {
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // menus closing meanwhile
  const Window w = start([] {
    for (int i = 0; i < 4; ++i) ask();
    char labels[] = "one  two  three";
    for (int i = 0; i < 3; ++i) x_report(std::to_string(menu(500.0f, 600.0f, 0, 3, labels, 5)));
    vt220_pop();
    usleep(300000);  // the test types meanwhile
    vt220_push();
    ask();
    x_report(xwi_guard(ask) ? "kept" : "lost");
  });
  ASSERT_NE(w, 0u);
  XMoveWindow(ctl, w, 1100, 900);  // mostly off the 1280 x 1024 screen
  const std::pair<std::vector<KeySym>, const char*> cases[] = {
      {{4, 5, 6, 7, XK_1, XK_KP_Enter}, "1|0"},
      {{XK_Control_R, XK_z}, "CONTROL_Z|0"},
      {{XK_Control_L, 0, XK_z, XK_Return}, "z|0"},
      {{XK_x, 1}, "MOUSE1|1"},
  };
  for (const auto& [keys, answer] : cases) {
    for (KeySym k : keys)
      if (k == 0)  // Control let go (a release's key code sits where a button's number does)
        x_send(ctl, w, KeyRelease, XKeysymToKeycode(ctl, XK_Control_L));
      else x_send(ctl, w, k > 7 ? KeyPress : ButtonPress, k);
    EXPECT_EQ(next(), answer) << "first key " << keys[0];
  }
  // Escape, or a click beside it, cancels a menu; each one is on the
  // screen, border and all.
  for (int i = 0; i < 3; ++i) {
    Window box = 0;
    XWindowAttributes a{};
    for (int t = 0; t < 200 && !(box && XGetWindowAttributes(ctl, box, &a)); ++t, usleep(20000))
      if (const auto kids = x_children(ctl, w); !kids.empty()) box = kids[0];
    ASSERT_NE(a.width, 0);
    EXPECT_TRUE(1100 + a.x + a.width + 8 <= 1280 && 900 + a.y + a.height + 8 <= 1024);
    x_send(ctl, w, i == 0 ? KeyPress : ButtonPress, i == 0 ? XK_Escape : 1);
    EXPECT_EQ(next(), "0");
  }
  for (const char* typed : {"7", "2"}) {  // the 7 comes while the graphics are left
    x_type(ctl, w, typed);
    x_send(ctl, w, KeyPress, XK_Return);
    usleep(800000);
  }
  EXPECT_EQ(next(), "2|0");
  XDestroyWindow(ctl, w);  // a window manager's close
  XSync(ctl, False);
  EXPECT_EQ(next(), "Window closed: the graphics window was destroyed.");
  EXPECT_EQ(next(), "lost");
  EXPECT_EQ(child->finish(), 0);
}

}  // namespace
