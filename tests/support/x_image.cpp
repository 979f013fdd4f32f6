#include "tests/support/x_image.h"

#include <X11/Xutil.h>

#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <thread>

Display* x_open() {
  // A busy shared server refuses connections now and then; try again.
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (Display* d = XOpenDisplay(nullptr)) return d;
    if (!std::getenv("DISPLAY")) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return nullptr;
}

namespace {

// Spreads a masked colour component to 8 bits.
std::uint32_t component(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  unsigned long max = mask >> shift;
  return std::uint32_t(((pixel & mask) >> shift) * 255 / max);
}

int ignore_errors(Display*, XErrorEvent*) { return 0; }

}  // namespace

bool x_capture(Display* d, Window w, XShot& shot) {
  XWindowAttributes wa;
  if (!XGetWindowAttributes(d, w, &wa)) return false;
  XImage* img = XGetImage(d, w, 0, 0, unsigned(wa.width), unsigned(wa.height), AllPlanes, ZPixmap);
  if (!img) return false;
  shot.w = wa.width;
  shot.h = wa.height;
  shot.rgb.resize(std::size_t(shot.w) * std::size_t(shot.h));
  for (int y = 0; y < shot.h; ++y)
    for (int x = 0; x < shot.w; ++x) {
      unsigned long p = XGetPixel(img, x, y);
      shot.rgb[std::size_t(y) * std::size_t(shot.w) + std::size_t(x)] =
          component(p, wa.visual->red_mask) << 16 | component(p, wa.visual->green_mask) << 8 |
          component(p, wa.visual->blue_mask);
    }
  XDestroyImage(img);
  return true;
}

bool x_unobscured(Display* d, Window w) {
  XSync(d, False);
  auto old = XSetErrorHandler(ignore_errors);  // siblings may vanish meanwhile
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  bool clear = true, above = false;
  XWindowAttributes mine{};
  if (XGetWindowAttributes(d, w, &mine) && XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n)) {
    for (unsigned i = 0; i < n; ++i) {
      if (kids[i] == w) {
        above = true;
        continue;
      }
      XWindowAttributes a{};
      if (!above || !XGetWindowAttributes(d, kids[i], &a) || a.map_state != IsViewable) continue;
      int bw = 2 * a.border_width;
      if (a.x < mine.x + mine.width && mine.x < a.x + a.width + bw && a.y < mine.y + mine.height &&
          mine.y < a.y + a.height + bw)
        clear = false;
    }
  }
  if (kids) XFree(kids);
  XSync(d, False);
  XSetErrorHandler(old);
  return clear && above;
}

bool x_save_png(const XShot& shot, const std::string& path) {
  std::string ppm = path + ".ppm";
  FILE* f = std::fopen(ppm.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", shot.w, shot.h);
  for (std::uint32_t p : shot.rgb) {
    unsigned char c[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p};
    std::fwrite(c, 1, 3, f);
  }
  std::fclose(f);
  std::string cmd = "/usr/bin/convert " + ppm + " " + path + " && rm -f " + ppm;
  return std::system(cmd.c_str()) == 0;
}
