// Reading a window back from the X server for the screen-device tests.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <vector>

// A second connection to the display of the tests; null when none opens.
Display* x_open();

// Pixels of a window as 0xRRGGBB, row by row (the display of the tests
// has a 24-bit true-colour visual).
struct XShot {
  int w = 0, h = 0;
  std::vector<std::uint32_t> rgb;
  std::uint32_t at(int x, int y) const { return rgb[std::size_t(y) * std::size_t(w) + std::size_t(x)]; }
};

// Reads the whole window; false if it cannot be read.
bool x_capture(Display* d, Window w, XShot& shot);
// True when w is the top-most viewable window of the screen, so that what
// it shows is what was drawn into it.
bool x_unobscured(Display* d, Window w);

// Raises this process's graphics window, clears it, runs draw and reads the
// window back through ctl; again if another window covered it meanwhile
// (the tests share the display).  Fails the test when it stays covered.
XShot x_draw_shot(Display* ctl, const std::function<void()>& draw);
