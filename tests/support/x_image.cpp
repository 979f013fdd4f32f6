#include <gtest/gtest.h>

#include "tests/support/x_image.h"

#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdlib>

#include "device/x11/window.h"

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

bool x_unobscured(Display* d, Window w) {
  XSync(d, False);
  // Windows may vanish meanwhile.
  auto old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  bool top = false;
  XWindowAttributes a;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n))
    while (n-- > 0 && !(top = kids[n] == w))  // from the top of the stack down
      if (XGetWindowAttributes(d, kids[n], &a) && a.map_state == IsViewable) break;
  if (kids) XFree(kids);
  XSync(d, False);
  XSetErrorHandler(old);
  return top;
}

XShot x_draw_shot(Display* ctl, const std::function<void()>& draw) {
  XShot s;
  XEvent ev;
  Window win = xwi_window();
  XSelectInput(ctl, win, ExposureMask);
  for (int attempt = 0; attempt < 40; ++attempt, usleep(50000)) {
    XRaiseWindow(ctl, win);
    XSync(ctl, False);
    while (XCheckTypedWindowEvent(ctl, win, Expose, &ev)) {
    }
    erase();
    draw();
    flush_xwi();
    xwi_sync();
    bool seen = x_unobscured(ctl, win) && x_capture(ctl, win, s) && x_unobscured(ctl, win);
    XSync(ctl, False);
    if (seen && !XCheckTypedWindowEvent(ctl, win, Expose, &ev)) return s;
  }
  ADD_FAILURE() << "window stayed covered";
  return s;
}
