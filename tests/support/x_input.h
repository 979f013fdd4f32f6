// Driving the screen device from a test: synthetic key, button and motion
// events sent to a window, and a forked child process that runs the device
// (which blocks while it waits for input) and reports back line by line.
#pragma once

// gtest before Xlib, whose macros (None, Bool, ...) clash with its names.
#include <gtest/gtest.h>

#include "device/x11/window.h"

#include <X11/Xlib.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/x_image.h"

// Sends window w a synthetic KeyPress (detail = keysym, no modifiers) or
// ButtonPress (detail = button).
void x_send(Display* d, Window w, int type, unsigned long detail);
// Sends the key presses of the characters of text (lower case, digits).
void x_type(Display* d, Window w, const std::string& text);

// A child process running body.  Its standard output, the device's
// messages and the lines of x_report alike, comes back line by line.
class XChild {
 public:
  explicit XChild(std::function<void()> body);
  ~XChild() { finish(0); }
  // Next output line (without its newline); false at the end of the
  // output or when timeout_ms pass without a character.
  bool line(std::string& out, int timeout_ms = 10000);
  // Waits for the child to end (killing it after timeout_ms) and returns
  // its exit status, -1 if it was killed.
  int finish(int timeout_ms = 10000);

 private:
  int pid_ = -1, out_ = -1;
};

// The children of window w, bottom first (empty when it has none or is gone).
std::vector<Window> x_children(Display* d, Window w);

// Writes one line from the child to the test at once.
void x_report(const std::string& text);

// A test with a second connection to the display (skipped without one),
// through which it talks to a child that runs the device in its own window.
class XChildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctl = x_open();
    if (!ctl) GTEST_SKIP() << "no X display";
  }
  void TearDown() override { if (ctl) XCloseDisplay(ctl); }
  // Starts a child that opens its window and runs body; gives the window.
  Window start(void (*body)()) {
    child = std::make_unique<XChild>([body] {
      inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
      x_report(std::to_string(xwi_window()));
      body();
    });
    return Window(std::stoul("0" + next()));  // 0 when the child said nothing
  }
  // The child's next line of output.
  std::string next() {
    std::string s;
    EXPECT_TRUE(child->line(s)) << "the child said nothing";
    return s;
  }
  Display* ctl = nullptr;
  std::unique_ptr<XChild> child;
};
