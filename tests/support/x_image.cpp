#include "tests/support/x_image.h"

#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdlib>

Display* x_open() {
  // A busy shared server refuses connections now and then; try again.
  for (int attempt = 0; attempt < 40 && std::getenv("DISPLAY"); ++attempt, usleep(50000))
    if (Display* d = XOpenDisplay(nullptr)) return d;
  return nullptr;
}

bool x_capture(Display* d, Window w, XShot& shot) {
  XWindowAttributes wa;
  if (!XGetWindowAttributes(d, w, &wa)) return false;
  XImage* img = XGetImage(d, w, 0, 0, unsigned(wa.width), unsigned(wa.height), AllPlanes, ZPixmap);
  if (!img) return false;
  shot.w = wa.width;
  shot.h = wa.height;
  shot.rgb.clear();
  for (int y = 0; y < shot.h; ++y)
    for (int x = 0; x < shot.w; ++x) shot.rgb.push_back(std::uint32_t(XGetPixel(img, x, y) & 0xFFFFFF));
  XDestroyImage(img);
  return true;
}
