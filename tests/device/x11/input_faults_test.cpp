// Answers the window must not take or cannot use: the wheel and side
// buttons, keypad Enter, either Control with Z, a lone Control, menus that
// are cancelled or open near the screen's edge, keys typed between visits,
// and a window that another client destroys.
#include <gtest/gtest.h>

#include "device/x11/window.h"

#include <X11/keysym.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "tests/support/x_image.h"
#include "tests/support/x_input.h"

namespace {

char labels[3][8] = {"one    ", "two    ", "three  "};

// Length of an answer, the pointer position of a button answer left out.
std::size_t s_len(const char* a) {
  if (std::strncmp(a, "MOUSE", 5) == 0) return 6;
  std::size_t n = 30;
  while (n > 0 && a[n - 1] == ' ') --n;
  return n;
}

// Asks one question and reports the answer and the button that gave it.
void ask() {
  char a[30];
  std::memset(a, ' ', sizeof a);
  getinp(10.0f, 800.0f, "Q ", a, 30);
  std::string s(a, s_len(a));
  x_report(s + "|" + std::to_string(xwi_answer_button()));
}

// The open menu of window w once it is shown (0 when none opens).
Window menu_of(Display* d, Window w) {
  for (int i = 0; i < 200; ++i, usleep(20000)) {
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    XQueryTree(d, w, &root, &parent, &kids, &n);
    Window box = n ? kids[0] : 0;
    if (kids) XFree(kids);
    XWindowAttributes a{};
    if (box && XGetWindowAttributes(d, box, &a) && a.map_state == IsViewable) return box;
  }
  return 0;
}

TEST(InputFaults, AreIgnoredOrAskedAgain) {
  Display* ctl = x_open();
  if (!ctl) GTEST_SKIP() << "no X display";
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // a menu closing meanwhile
  XChild child([] {
    inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
    x_report(std::to_string(xwi_window()));
    for (int i = 0; i < 4; ++i) ask();
    for (int i = 0; i < 3; ++i) x_report(std::to_string(menu(500.0f, 600.0f, 0, 3, labels[0], 8)));
    vt220_pop();
    x_report("left");
    usleep(300000);  // keys come meanwhile
    vt220_push();
    x_report("back");
    ask();
    x_report(xwi_guard(ask) ? "kept" : "lost");
  });
  std::string s;
  ASSERT_TRUE(child.line(s));
  const Window w = Window(std::stoul(s));
  XMoveWindow(ctl, w, 1100, 900);  // mostly off the 1280 x 1024 screen
  const std::pair<std::vector<KeySym>, const char*> cases[] = {
      {{4, 5, 6, 7, XK_1, XK_KP_Enter}, "1|0"},      // wheel and side buttons: no answer
      {{XK_Control_R, XK_z}, "CONTROL_Z|0"},
      {{XK_Control_L, 0, XK_z, XK_Return}, "z|0"},  // 0: Control let go
      {{XK_x, 1}, "MOUSE1|1"},
  };
  XWarpPointer(ctl, None, w, 0, 0, 0, 0, 100, 700);
  for (const auto& [keys, answer] : cases) {
    for (KeySym k : keys) {
      if (k > 7) x_send(ctl, w, KeyPress, k);
      else if (k) x_send(ctl, w, ButtonPress, k);
      else {
        XEvent ev{};
        ev.xkey = {KeyRelease, 0, True, ctl, w, 0, 0, 0, 0, 0, 0, 0, 0,
                   XKeysymToKeycode(ctl, XK_Control_L), True};
        XSendEvent(ctl, w, False, KeyReleaseMask, &ev);
      }
    }
    ASSERT_TRUE(child.line(s));
    EXPECT_EQ(s, answer) << "first key " << keys[0];
  }
  // Escape and a click beside the menu cancel it; the third is on screen.
  for (const char* chosen : {"Escape", "beside", "2"}) {
    const Window box = menu_of(ctl, w);
    ASSERT_NE(box, 0u);
    if (*chosen == '2') {
      XWindowAttributes a{};
      XGetWindowAttributes(ctl, box, &a);
      int x = 0, y = 0;
      Window c;
      XTranslateCoordinates(ctl, w, DefaultRootWindow(ctl), a.x, a.y, &x, &y, &c);
      EXPECT_TRUE(x >= 0 && y >= 0 && x + a.width + 8 <= 1280 && y + a.height + 8 <= 1024)
          << x << "," << y;
      Window root, parent, *panes = nullptr;
      unsigned n = 0;
      XQueryTree(ctl, box, &root, &parent, &panes, &n);
      x_send(ctl, panes[1], ButtonPress, 1);
      XFree(panes);
    } else {
      x_send(ctl, w, *chosen == 'E' ? KeyPress : ButtonPress, *chosen == 'E' ? XK_Escape : 1);
    }
    ASSERT_TRUE(child.line(s));
    EXPECT_EQ(s, *chosen == '2' ? "2" : "0") << chosen;
  }
  ASSERT_TRUE(child.line(s) && s == "left");
  x_type(ctl, w, "7");  // typed while the graphics are left: dropped
  x_send(ctl, w, KeyPress, XK_Return);
  ASSERT_TRUE(child.line(s) && s == "back");
  x_type(ctl, w, "2");
  x_send(ctl, w, KeyPress, XK_Return);
  ASSERT_TRUE(child.line(s));
  EXPECT_EQ(s, "2|0");
  usleep(200000);
  XDestroyWindow(ctl, w);  // a window manager's close
  XSync(ctl, False);
  ASSERT_TRUE(child.line(s));
  EXPECT_EQ(s, "Window closed: the graphics window was destroyed.");
  ASSERT_TRUE(child.line(s));
  EXPECT_EQ(s, "lost");
  EXPECT_EQ(child.finish(), 0);
  XCloseDisplay(ctl);
}

}  // namespace
