// Driving the screen device from a test: synthetic key, button and motion
// events sent to a window, and a forked child process that runs the device
// (which blocks while it waits for input) and reports back line by line.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>

// Sends window w a synthetic event: KeyPress (detail = keysym),
// ButtonPress (detail = button) or MotionNotify, with modifier state.
void x_send(Display* d, Window w, int type, unsigned long detail = 0, unsigned state = 0);
// Sends the key presses of the characters of text (lower case, digits).
void x_type(Display* d, Window w, const std::string& text);

// A child process.  The body runs in the child with the write end of a
// report pipe; the child's standard output is collected separately.
class XChild {
 public:
  explicit XChild(std::function<void(int report)> body);
  ~XChild();
  // Next report line (without its newline); false after timeout_ms or at
  // the end of the reports.
  bool line(std::string& out, int timeout_ms = 10000);
  // Waits for the child to end (killing it after timeout_ms) and returns
  // its exit status, -1 if it was killed; output gets its standard output.
  int finish(std::string* output = nullptr, int timeout_ms = 10000);

 private:
  int pid_ = -1, report_ = -1, stdout_ = -1;
  std::string pending_;
};

// Writes one report line from the child.
void x_report(int fd, const std::string& text);
