// The prompt line, the pop-up menu and the keyboard hand-over.  The device
// waits for input, so it runs in a child process with its own window; the
// test sends it key and button events from a second connection.
#include <gtest/gtest.h>

#include "device/x11/window.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/x_image.h"
#include "tests/support/x_input.h"

namespace {

// Opens the child's window and reports its id.
void open_window(int report) {
  inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
  x_report(report, std::to_string(xwi_window()));
}

// Asks one question in the child and reports the blank-filled answer
// buffer (at least 30 columns, of which the first len are offered).
void ask(int report, const char* prompt = "Answer: ", int len = 30) {
  char answer[200];
  std::memset(answer, ' ', sizeof answer);
  getinp(10.0f, 800.0f, prompt, answer, len);
  x_report(report, std::string(answer, std::size_t(len < 30 ? 30 : len)));
}

std::string padded(std::string s, std::size_t n = 30) {
  s.resize(n, ' ');
  return s;
}

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    ctl = x_open();
    if (!ctl) GTEST_SKIP() << "no X display";
  }
  void TearDown() override {
    if (ctl) XCloseDisplay(ctl);
  }
  // Starts a child that opens its window and runs body; returns the window.
  Window start(std::unique_ptr<XChild>& child, void (*body)(int)) {
    child = std::make_unique<XChild>([body](int r) {
      open_window(r);
      body(r);
    });
    std::string id;
    EXPECT_TRUE(child->line(id)) << "child window did not open";
    return id.empty() ? 0 : Window(std::stoul(id));
  }
  Display* ctl = nullptr;
};

TEST_F(Input, TypedAnswers) {
  struct Key {
    KeySym sym;
    unsigned state = 0;
  };
  struct Case {
    std::vector<Key> keys;
    const char* answer;
  } cases[] = {
      {{{XK_Return}}, ""},
      {{{XK_BackSpace}, {XK_a}, {XK_b}, {XK_Return}}, "ab"},  // nothing to delete
      {{{XK_a}, {XK_b}, {XK_BackSpace}, {XK_Return}}, "a"},
      {{{XK_a}, {XK_b}, {XK_Delete}, {XK_Return}}, "a"},
      {{{XK_a, ShiftMask}, {XK_1}, {XK_space}, {XK_Return}}, "A1 "},
      {{{XK_Control_L}, {XK_a}, {XK_b}, {XK_Return}}, "b"},  // a is swallowed
      {{{XK_x}, {XK_Control_L}, {XK_z, ControlMask}}, "CONTROL_Z"},
      {{{XK_Control_L}, {XK_z, ShiftMask}}, "CONTROL_Z"},
      {{{XK_Control_R}, {XK_z}, {XK_Return}}, "z"},  // only left Control arms Z
  };
  for (const Case& c : cases) {
    std::unique_ptr<XChild> child;
    Window w = start(child, [](int r) { ask(r); });
    for (const Key& k : c.keys) x_send(ctl, w, KeyPress, k.sym, k.state);
    std::string answer;
    EXPECT_TRUE(child->line(answer));
    EXPECT_EQ(answer, padded(c.answer)) << "first key " << c.keys[0].sym;
  }
}

TEST_F(Input, ControlStaysArmedUntilTheNextKeyEvenInTheNextPrompt) {
  std::unique_ptr<XChild> child;
  Window w = start(child, [](int r) {
    ask(r);
    ask(r);
  });
  x_send(ctl, w, KeyPress, XK_Control_L);
  x_send(ctl, w, KeyPress, XK_Return);
  std::string first, second;
  EXPECT_TRUE(child->line(first));
  pause_ms(300);
  x_send(ctl, w, KeyPress, XK_z);
  EXPECT_TRUE(child->line(second));
  EXPECT_EQ(first + second, padded("") + padded("CONTROL_Z"));
}

TEST_F(Input, ButtonsAnswerWithThePointerPositionAndDropTypedText) {
  const std::pair<unsigned, const char*> cases[] = {
      {1, "MOUSE1  100.0  100.0"}, {3, "MOUSE3  100.0  100.0"}, {4, ""}};
  for (const auto& [button, expected] : cases) {
    std::unique_ptr<XChild> child;
    Window w = start(child, [](int r) { ask(r); });
    x_type(ctl, w, "12");
    XWarpPointer(ctl, None, w, 0, 0, 0, 0, 100, 700);
    x_send(ctl, w, ButtonPress, button);
    std::string answer;
    EXPECT_TRUE(child->line(answer));
    EXPECT_EQ(answer, padded(expected)) << button;
  }
}

TEST_F(Input, TypingStopsAtTheLineBufferAndAnswersAreCutToTheCallersBuffer) {
  std::unique_ptr<XChild> child;
  Window w = start(child, [](int r) {
    ask(r, "Q ", 200);  // the prompt and 94 characters fill the line
    ask(r, "Q ", 5);
  });
  x_type(ctl, w, std::string(120, 'a'));
  x_send(ctl, w, KeyPress, XK_Return);
  x_type(ctl, w, "abcdefgh");
  x_send(ctl, w, KeyPress, XK_Return);
  std::string first, second;
  EXPECT_TRUE(child->line(first) && child->line(second));
  EXPECT_EQ(first, padded(std::string(94, 'a'), 200));
  EXPECT_EQ(second, padded("abcde"));  // nothing written past the 5 columns
}

TEST_F(Input, AnExposureAfterThePromptsFirstSecondIsRepaired) {
  std::unique_ptr<XChild> child;
  Window w = start(child, [](int r) {
    set_col(2);
    for (int y = 100; y < 120; ++y) {
      gramov(500.0f, float(y));
      gradrw(600.0f, float(y));
    }
    ask(r);
  });
  pause_ms(1500);
  XClearArea(ctl, w, 0, 0, 0, 0, True);  // clears and exposes the window
  XShot s;
  bool repaired = false;
  for (int i = 0; i < 50 && !repaired; ++i, pause_ms(50))
    repaired = x_capture(ctl, w, s) && s.at(550, 690) == 0xFF0000;
  EXPECT_TRUE(repaired);
  x_send(ctl, w, KeyPress, XK_Return);
}

// Waits for the menu window inside w to be shown; gives it and its panes.
bool find_menu(Display* d, Window w, Window& box, std::vector<Window>& panes) {
  for (int i = 0; i < 200; ++i, pause_ms(20)) {
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    XQueryTree(d, w, &root, &parent, &kids, &n);
    box = n ? kids[0] : 0;
    if (kids) XFree(kids);
    XWindowAttributes a;
    if (!box || !XGetWindowAttributes(d, box, &a) || a.map_state != IsViewable) continue;
    XQueryTree(d, box, &root, &parent, &kids, &n);
    panes.assign(kids, kids + n);
    if (kids) XFree(kids);
    return true;
  }
  return false;
}

char labels[10][12];

TEST_F(Input, MenusStayInsideTheWindowHighlightAndReturnTheItemClicked) {
  for (int i = 0; i < 10; ++i) std::memcpy(labels[i], (" Item " + std::to_string(i + 11) + "    ").c_str(), 12);
  std::unique_ptr<XChild> child;
  Window w = start(child, [](int r) {
    int n = 10, len = 12;
    x_report(r, std::to_string(menu(3.0f, 20.0f, 0, n, labels[0], len)));
    x_report(r, std::to_string(menu(500.0f, 600.0f, 0, n, labels[0], len)));
    n = 101;
    x_report(r, std::to_string(menu(500.0f, 600.0f, 0, n, labels[0], len)));
  });
  for (int click : {5, 1}) {  // near the bottom-left corner, then mid-window
    Window box, root;
    std::vector<Window> panes;
    ASSERT_TRUE(find_menu(ctl, w, box, panes));
    ASSERT_EQ(panes.size(), 10u);
    int x, y;
    unsigned bw, bh, border, depth;
    XGetGeometry(ctl, box, &root, &x, &y, &bw, &bh, &border, &depth);
    if (click == 5) {
      EXPECT_EQ(x, 0);
      EXPECT_EQ(y + int(bh), 800);  // pushed up to the bottom edge
    } else {
      EXPECT_EQ(x, 500 - int(bw) / 2);
      EXPECT_EQ(y, 200);
    }
    EXPECT_EQ(border, 4u);
    XShot lit, plain;
    bool seen = false;  // again while another window covers this one
    for (int i = 0; i < 20 && !seen; ++i) {
      XRaiseWindow(ctl, w);
      x_send(ctl, w, MotionNotify);  // off the panes: nothing highlighted
      x_send(ctl, panes[3], MotionNotify);
      x_send(ctl, panes[2], MotionNotify);  // the highlight moves on
      pause_ms(50);
      seen = x_unobscured(ctl, w) && x_capture(ctl, panes[2], lit) &&
             x_capture(ctl, panes[3], plain) && lit.at(1, 1) == 0xFF0000 &&
             plain.at(1, 1) == 0x00FFFF;
    }
    EXPECT_TRUE(seen);
    x_send(ctl, panes[std::size_t(click) - 1], ButtonPress, 1);
    std::string chosen;
    EXPECT_TRUE(child->line(chosen));
    EXPECT_EQ(chosen, std::to_string(click));
  }
  std::string refused, output;
  EXPECT_TRUE(child->line(refused));
  EXPECT_EQ(refused, "0");
  EXPECT_EQ(child->finish(&output), 0);
  EXPECT_EQ(output, "Menu of 101 items refused (1 to 100 items)\n");
}

TEST_F(Input, PopHandsTheKeyboardBackAndLowersTheWindow) {
  std::unique_ptr<XChild> child;
  Window w = start(child, [](int r) {
    vt220_push();
    std::string pushed = std::to_string(xwi_focus());
    vt220_pop();
    x_report(r, pushed + std::to_string(xwi_focus()) + std::to_string(xwi_image()));
    ask(r);  // keeps the window while the test looks at it
  });
  std::string flags;
  EXPECT_TRUE(child->line(flags));
  EXPECT_EQ(flags, "101");  // focus taken, given back; picture saved
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  XQueryTree(ctl, DefaultRootWindow(ctl), &root, &parent, &kids, &n);
  EXPECT_TRUE(n > 0 && kids[0] == w);  // bottom of the stack
  if (kids) XFree(kids);
  x_send(ctl, w, KeyPress, XK_Return);
}

TEST_F(Input, TakingTheKeyboardWhileTheWindowIsIconifiedDoesNotEndTheProgram) {
  std::unique_ptr<XChild> child;
  Window w = start(child, [](int r) {
    pause_ms(500);  // the test unmaps the window meanwhile
    vt220_push();   // X refuses the focus of an unmapped window
    x_report(r, "alive");
  });
  XUnmapWindow(ctl, w);
  XSync(ctl, False);
  std::string line;
  EXPECT_TRUE(child->line(line));
  EXPECT_EQ(line, "alive");
}

TEST_F(Input, NoDisplayEndsTheProgramWithStatusMinusOne) {
  XChild child([](int) {
    setenv("DISPLAY", ":4711", 1);
    inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
  });
  std::string output;
  EXPECT_EQ(child.finish(&output), 255);
  EXPECT_EQ(output, "Display not opened!\n");
}

}  // namespace
