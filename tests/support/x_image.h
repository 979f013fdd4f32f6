// Reading a window back from the X server for the screen-device tests.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
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
