// Driving the screen device from a test: synthetic key, button and motion
// events sent to a window, and a forked child process that runs the device
// (which blocks while it waits for input) and reports back line by line.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

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
