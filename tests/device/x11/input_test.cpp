// The prompt line, the pop-up menu and the keyboard hand-over.  The device
// waits for input, so it runs in a child process with its own window; the
// test sends it key and button events from a second connection.
#include <gtest/gtest.h>

#include "device/x11/window.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/support/x_image.h"
#include "tests/support/x_input.h"

namespace {

constexpr std::uint32_t RED = 0xFF0000, CYAN = 0x00FFFF;

// Opens the child's window and reports its id.
void open_window(int report) {
  inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
  x_report(report, std::to_string(xwi_window()));
}

// Asks one question in the child and reports the 30-column answer buffer.
void ask(int report, const char* prompt = "Answer: ", int len = 30) {
  char answer[201];
  std::memset(answer, ' ', sizeof answer);
  getinp(10.0f, 800.0f, prompt, answer, len);
  x_report(report, std::string(answer, std::size_t(len < 30 ? 30 : len)));
}

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    ctl = x_open();
    if (!ctl) GTEST_SKIP() << "no X display";
  }
  void TearDown() override {
    if (ctl) XCloseDisplay(ctl);
  }
  Window started(XChild& child) {
    std::string id;
    EXPECT_TRUE(child.line(id)) << "child window did not open";
    return id.empty() ? 0 : Window(std::stoul(id));
  }
  static std::string padded(std::string s, std::size_t n = 30) {
    s.resize(n, ' ');
    return s;
  }
  Display* ctl = nullptr;
};

// A key press: a keysym with its modifier state.
struct Key {
  KeySym sym;
  unsigned state = 0;
};

TEST_F(Input, TypedAnswers) {
  struct Case {
    const char* name;
    std::vector<Key> keys;
    const char* answer;
  } cases[] = {
      {"Return alone", {{XK_Return}}, ""},
      {"BackSpace with nothing typed", {{XK_BackSpace}, {XK_a}, {XK_b}, {XK_Return}}, "ab"},
      {"BackSpace after two", {{XK_a}, {XK_b}, {XK_BackSpace}, {XK_Return}}, "a"},
      {"Delete after two", {{XK_a}, {XK_b}, {XK_Delete}, {XK_Return}}, "a"},
      {"Shift gives capitals", {{XK_a, ShiftMask}, {XK_1}, {XK_space}, {XK_Return}}, "A1 "},
      {"Control swallows the next key", {{XK_Control_L}, {XK_a}, {XK_b}, {XK_Return}}, "b"},
      {"Control then Z", {{XK_x}, {XK_Control_L}, {XK_z, ControlMask}}, "CONTROL_Z"},
      {"Control then shifted Z", {{XK_Control_L}, {XK_z, ShiftMask}}, "CONTROL_Z"},
      {"right Control does not arm Z", {{XK_Control_R}, {XK_Return}}, ""},
  };
  for (const Case& c : cases) {
    XChild child([](int r) {
      open_window(r);
      ask(r);
    });
    Window w = started(child);
    for (const Key& k : c.keys) x_key(ctl, w, k.sym, k.state);
    std::string answer;
    EXPECT_TRUE(child.line(answer)) << c.name;
    EXPECT_EQ(answer, padded(c.answer)) << c.name;
  }
}

TEST_F(Input, ControlIsRememberedUntilTheNextKeyEvenAcrossPrompts) {
  XChild child([](int r) {
    open_window(r);
    ask(r);
    ask(r);
  });
  Window w = started(child);
  x_key(ctl, w, XK_Control_L);
  x_key(ctl, w, XK_Return);  // Return completes first; Control stays armed
  std::string answer;
  ASSERT_TRUE(child.line(answer));
  EXPECT_EQ(answer, padded(""));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  x_key(ctl, w, XK_z);
  ASSERT_TRUE(child.line(answer));
  EXPECT_EQ(answer, padded("CONTROL_Z"));
}

TEST_F(Input, ButtonsAnswerWithThePointerPositionAndDropTypedText) {
  struct Case {
    unsigned button;
    const char* answer;
  } cases[] = {{1, "MOUSE1  100.0  100.0"}, {3, "MOUSE3  100.0  100.0"}, {4, ""}};
  for (const Case& c : cases) {
    XChild child([](int r) {
      open_window(r);
      ask(r);
    });
    Window w = started(child);
    x_type(ctl, w, "12");
    XWarpPointer(ctl, None, w, 0, 0, 0, 0, 100, 700);
    XSync(ctl, False);
    x_button(ctl, w, c.button);
    std::string answer;
    ASSERT_TRUE(child.line(answer)) << c.button;
    EXPECT_EQ(answer, padded(c.answer)) << c.button;
  }
}

TEST_F(Input, TypingStopsAtTheLineBufferAndAnswersAreCutToTheCallersBuffer) {
  XChild child([](int r) {
    open_window(r);
    ask(r, "Q ", 200);  // 2 + 94 typed characters fill the line
    ask(r, "Q ", 5);
  });
  Window w = started(child);
  x_type(ctl, w, std::string(120, 'a'));
  x_key(ctl, w, XK_Return);
  std::string answer;
  ASSERT_TRUE(child.line(answer));
  EXPECT_EQ(answer, padded(std::string(94, 'a'), 200));
  x_type(ctl, w, "abcdefgh");
  x_key(ctl, w, XK_Return);
  ASSERT_TRUE(child.line(answer));
  EXPECT_EQ(answer, padded("abcde"));  // the buffer's sixth column is untouched
}

TEST_F(Input, AnExposureDuringThePromptIsRepairedFromTheSavedImage) {
  XChild child([](int r) {
    open_window(r);
    set_col(2);
    for (int y = 100; y < 120; ++y) {
      gramov(500.0f, float(y));
      gradrw(600.0f, float(y));
    }
    set_col(1);
    ask(r);
  });
  Window w = started(child);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // past the first second
  XClearArea(ctl, w, 0, 0, 0, 0, True);
  XShot s;
  bool repaired = false;
  for (int i = 0; i < 50 && !repaired; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    repaired = x_capture(ctl, w, s) && s.at(550, 690) == RED;
  }
  EXPECT_TRUE(repaired);
  x_key(ctl, w, XK_Return);
  std::string answer;
  EXPECT_TRUE(child.line(answer));
}

// The menu window of the child's graphics window, and its panes.
bool find_menu(Display* d, Window w, Window& box, std::vector<Window>& panes) {
  for (int i = 0; i < 200; ++i) {
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    if (XQueryTree(d, w, &root, &parent, &kids, &n) && n > 0) {
      box = kids[0];
      XFree(kids);
      XQueryTree(d, box, &root, &parent, &kids, &n);
      panes.assign(kids, kids + n);
      if (kids) XFree(kids);
      XWindowAttributes a;
      if (XGetWindowAttributes(d, box, &a) && a.map_state == IsViewable) return true;
    } else if (kids) {
      XFree(kids);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST_F(Input, MenusStayInsideTheWindowHighlightAndReturnTheItemClicked) {
  static char labels[10][12];
  for (int i = 0; i < 10; ++i) std::snprintf(labels[i], 12, " Item %2d   ", i + 1);
  XFontStruct* f = XLoadQueryFont(ctl, "*-COURIER-BOLD-R-NORMAL--*-100-*");
  ASSERT_NE(f, nullptr);
  int dir, asc, desc;
  XCharStruct ext;
  XTextExtents(f, labels[0], 11, &dir, &asc, &desc, &ext);
  const int W = ext.width + 4, h = ext.ascent + ext.descent + 8;
  XFreeFont(ctl, f);

  XChild child([](int r) {
    open_window(r);
    grasave();
    int n = 10, len = 12;
    x_report(r, std::to_string(menu(3.0f, 20.0f, 0, n, labels[0], len)));
    x_report(r, std::to_string(menu(500.0f, 600.0f, 0, n, labels[0], len)));
    n = 101;
    x_report(r, std::to_string(menu(500.0f, 600.0f, 0, n, labels[0], len)));
  });
  Window w = started(child);
  struct Case {
    int x0, y0, hover, click;
  } cases[] = {{0, 800 - 10 * h, 2, 5}, {500 - W / 2, 200, 9, 1}};
  for (const Case& c : cases) {
    Window box;
    std::vector<Window> panes;
    ASSERT_TRUE(find_menu(ctl, w, box, panes));
    ASSERT_EQ(panes.size(), 10u);
    Window root;
    int x, y;
    unsigned bw, bh, border, depth;
    XGetGeometry(ctl, box, &root, &x, &y, &bw, &bh, &border, &depth);
    EXPECT_EQ(x, c.x0);
    EXPECT_EQ(y, c.y0);
    EXPECT_EQ(int(bw), W);
    EXPECT_EQ(int(bh), 10 * h);
    EXPECT_EQ(border, 4u);
    x_motion(ctl, panes[std::size_t(c.hover)]);
    x_motion(ctl, panes[std::size_t(c.hover) - 1]);  // the highlight moves on
    XShot lit, plain;
    bool seen = false;
    for (int i = 0; i < 50 && !seen; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      seen = x_capture(ctl, panes[std::size_t(c.hover) - 1], lit) && lit.at(1, 1) == RED;
    }
    EXPECT_TRUE(seen);
    ASSERT_TRUE(x_capture(ctl, panes[std::size_t(c.hover)], plain));
    EXPECT_EQ(plain.at(1, 1), CYAN);
    x_button(ctl, panes[std::size_t(c.click) - 1], 1);
    std::string chosen;
    ASSERT_TRUE(child.line(chosen));
    EXPECT_EQ(chosen, std::to_string(c.click));
  }
  std::string refused, output;
  ASSERT_TRUE(child.line(refused));
  EXPECT_EQ(refused, "0");
  EXPECT_EQ(child.finish(&output), 0);
  EXPECT_EQ(output, "Menu of 101 items refused (1 to 100 items)\n");
}

TEST_F(Input, PopHandsTheKeyboardBackAndLowersTheWindow) {
  XChild child([](int r) {
    open_window(r);
    vt220_push();
    x_report(r, std::to_string(xwi_focus()));
    vt220_pop();
    x_report(r, std::to_string(xwi_focus()) + " " + std::to_string(xwi_image()));
    ask(r);
  });
  Window w = started(child);
  std::string line;
  ASSERT_TRUE(child.line(line));
  EXPECT_EQ(line, "1");
  ASSERT_TRUE(child.line(line));
  EXPECT_EQ(line, "0 1");
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  ASSERT_TRUE(XQueryTree(ctl, DefaultRootWindow(ctl), &root, &parent, &kids, &n));
  ASSERT_GT(n, 0u);
  EXPECT_EQ(kids[0], w);  // bottom of the stack
  XFree(kids);
  x_key(ctl, w, XK_Return);
  EXPECT_TRUE(child.line(line));
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
