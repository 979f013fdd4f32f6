// Driving the screen device from a test: synthetic key, button and motion
// events sent to a window, and a forked child process that runs the device
// (which blocks while it waits for input) and reports back line by line.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>

// Sends a key press of keysym with modifier state to window w.
void x_key(Display* d, Window w, KeySym sym, unsigned state = 0);
// Sends the key presses of every character of text (letters and digits).
void x_type(Display* d, Window w, const std::string& text);
// Sends a press of the given pointer button to window w.
void x_button(Display* d, Window w, unsigned button);
// Sends a pointer motion inside window w.
void x_motion(Display* d, Window w);

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
