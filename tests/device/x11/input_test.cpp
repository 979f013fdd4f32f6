// The prompt line, the pop-up menu and the keyboard hand-over.  The device
// waits for input, so it runs in a child process with its own window; the
// test sends it key and button events from a second connection.
#include <gtest/gtest.h>

#include "device/x11/window.h"

#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/support/x_image.h"
#include "tests/support/x_input.h"

namespace {

// Asks one question in the child and reports the answer buffer, filled
// with blanks before: max(len, 30) columns of which the first len are offered.
void ask(const char* prompt = "Answer: ", int len = 30) {
  char answer[200];
  std::memset(answer, ' ', sizeof answer);
  getinp(10.0f, 800.0f, prompt, answer, len);
  x_report(std::string(answer, std::size_t(std::max(len, 30))));
}

std::string padded(std::string s, std::size_t n = 30) {
  s.resize(n, ' ');
  return s;
}

class Input : public XChildTest {};

// One prompt after the other, each answered by the keys of one case (0: a
// pause of 300 ms; 1..4: that pointer button, the pointer at (100, 700)).
TEST_F(Input, Answers) {
  const std::pair<std::vector<KeySym>, const char*> cases[] = {
      {{XK_Return}, ""},
      {{XK_BackSpace, XK_a, XK_b, XK_Return}, "ab"},  // nothing to delete
      {{XK_a, XK_b, XK_BackSpace, XK_Return}, "a"},
      {{XK_Control_L, XK_a, XK_b, XK_Return}, "b"},  // a is swallowed
      {{XK_x, XK_Control_L, 0, XK_z}, "CONTROL_Z"},  // Control held, Z later
      {{XK_Control_R, XK_z}, "CONTROL_Z"},
      {{XK_Control_L, XK_Return}, ""},               // Control stays armed ...
      {{XK_z}, "CONTROL_Z"},                         // ... into the next prompt
      {{XK_1, XK_2, 1}, "MOUSE1  100.0  100.0"},     // typed text dropped
      {{XK_1, 3}, "MOUSE3  100.0  100.0"},
      {{XK_1, 4, XK_Return}, "1"},  // the wheel is no answer
  };
  Window w = start([] { for (;;) ask(); });
  XWarpPointer(ctl, None, w, 0, 0, 0, 0, 100, 700);
  for (const auto& [keys, answer] : cases) {
    for (KeySym k : keys)
      if (k > 4) x_send(ctl, w, KeyPress, k);
      else if (k) x_send(ctl, w, ButtonPress, k);
      else usleep(300000);
    EXPECT_EQ(next(), padded(answer)) << "first key " << keys[0];
  }
}

TEST_F(Input, TypingStopsAtTheLineBufferAndAnswersAreCutToTheCallersBuffer) {
  Window w = start([] {
    ask("Q ", 200);  // the prompt and 94 characters fill the line buffer
    ask("Q ", 5);
  });
  x_type(ctl, w, std::string(120, 'a'));
  x_send(ctl, w, KeyPress, XK_Return);
  x_type(ctl, w, "abcdefgh");
  x_send(ctl, w, KeyPress, XK_Return);
  EXPECT_EQ(next(), padded(std::string(94, 'a'), 200));
  EXPECT_EQ(next(), padded("abcde"));  // nothing written past the 5 columns
}

char labels[10][12];

TEST_F(Input, MenusStayInsideTheWindowAndReturnTheItemClicked) {
  for (int i = 0; i < 10; ++i) std::memcpy(labels[i], (" Item " + std::to_string(i + 11) + "    ").c_str(), 12);
  Window w = start([] {
    int n = 10, len = 12, too_many = 101;
    x_report(std::to_string(menu(3.0f, 20.0f, 0, n, labels[0], len)));
    x_report(std::to_string(menu(500.0f, 600.0f, 0, n, labels[0], len)));
    x_report(std::to_string(menu(500.0f, 600.0f, 0, too_many, labels[0], len)));
  });
  for (int click : {5, 1}) {  // near the bottom-left corner, then mid-window
    std::vector<Window> box;
    XWindowAttributes a{};  // of the menu window, once it is shown
    for (int i = 0; i < 200 && a.map_state != IsViewable; ++i, usleep(20000))
      if (!(box = x_children(ctl, w)).empty()) XGetWindowAttributes(ctl, box[0], &a);
    ASSERT_EQ(a.map_state, IsViewable);
    EXPECT_EQ(a.x, click == 5 ? 0 : 500 - a.width / 2);
    EXPECT_EQ(a.y, click == 5 ? 800 - a.height : 200);  // pushed up to the bottom edge
    EXPECT_EQ(a.border_width, 4);
    ASSERT_EQ(x_children(ctl, box[0]).size(), 10u);  // the panes
    x_send(ctl, x_children(ctl, box[0])[std::size_t(click) - 1], ButtonPress, 1);
    EXPECT_EQ(next(), std::to_string(click));
  }
  EXPECT_EQ(next(), "Menu of 101 items refused (1 to 100 items)");
  EXPECT_EQ(next(), "0");
  EXPECT_EQ(child->finish(), 0);
}

// A refused keyboard focus (an iconified window) used to end the program.
TEST_F(Input, TakingTheKeyboardWhileTheWindowIsIconifiedDoesNotEndTheProgram) {
  Window w = start([] {
    usleep(500000);  // the test unmaps the window meanwhile
    vt220_push();    // X refuses the focus of an unmapped window
    x_report("alive");
  });
  XUnmapWindow(ctl, w);
  XSync(ctl, False);
  EXPECT_EQ(next(), "alive");
}

}  // namespace
