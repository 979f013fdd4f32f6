// The drawing side of the screen device: window creation, the polyline
// buffer, pen colour and style, text, erasing and the saved image.

#include <X11/cursorfont.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <setjmp.h>
#include <unistd.h>

#include "device/x11/xdevice.h"

namespace xwi {

Device dev = [] {
  Device d{};
  d.nrsave = -1;
  return d;
}();

namespace {

// Colour table: 16-bit red, green, blue of each colour index.
struct Rgb {
  unsigned short r, g, b;
};
constexpr Rgb COLOURS[NCOLOURS] = {
    {0x0000, 0x0000, 0x0000},  // 0 black
    {0xFFFF, 0xFFFF, 0xFFFF},  // 1 white, the pen colour at start
    {0xFFFF, 0x0000, 0x0000},  // 2 red
    {0x0000, 0xFFFF, 0x7F7F},  // 3 spring green
    {0x0000, 0x0000, 0xFFFF},  // 4 blue
    {0x0000, 0xFFFF, 0xFFFF},  // 5 cyan
    {0xBCBC, 0x8F8F, 0x8F8F},  // 6 rosy brown
    {0xFFFF, 0xFFFF, 0x0000},  // 7 yellow
    {0x0303, 0x0303, 0x0303},  // 8 near black: background
};

constexpr const char* MENU_FONT = "*-COURIER-BOLD-R-NORMAL--*-100-*";
constexpr const char* TEXT_FONTS[NFONTS] = {
    "*-HELVETICA-MEDIUM-R-NORMAL--*-100-*",
    "*-HELVETICA-MEDIUM-R-NORMAL--*-120-*",
    "*-HELVETICA-MEDIUM-R-NORMAL--*-140-*",
    "*-HELVETICA-MEDIUM-R-NORMAL--*-240-*",
};

constexpr char DASHES[2] = {2, 2};  // 2 pixels drawn, 2 skipped

short clamp16(int v) {
  if (v > 32767) return 32767;
  if (v < -32768) return -32768;
  return short(v);
}

// Window pixel of device point (x, y): the row counts down from window1H.
XPoint to_window(float x, float y) {
  XPoint p;
  p.x = clamp16(trunc_coord(x));
  p.y = clamp16(dev.window1H - trunc_coord(y));
  return p;
}

// The font matching pattern, or null; the listing is asked first so that
// no X error (which would end the program) can come from a missing font.
XFontStruct* query_font(const char* pattern) {
  int count = 0;
  char** names = XListFonts(dev.dpy, pattern, 1, &count);
  if (names) XFreeFontNames(names);
  return count > 0 ? XLoadQueryFont(dev.dpy, pattern) : nullptr;
}

// Loads a font by pattern; a pattern that matches nothing on the server
// falls back to "fixed".  The window's layout counts a point as a pixel
// (14-point text on lines 16 pixels apart), as on a 75-dpi screen, so a
// pattern ending in its point size is asked for at 75 dpi first: a server
// that offers 100-dpi fonts first would otherwise give text a third larger,
// overlapping lines and cut off at the window's edge.
XFontStruct* load_font(const char* pattern) {
  const std::size_t n = std::strlen(pattern);
  char at75[160];
  if (n > 2 && n < sizeof at75 - 8 && std::strcmp(pattern + n - 2, "-*") == 0) {
    std::snprintf(at75, sizeof at75, "%.*s-75-75-*", int(n - 2), pattern);
    if (XFontStruct* f = query_font(at75)) return f;
  }
  XFontStruct* f = query_font(pattern);
  if (f) return f;
  say("Font %s not found, using fixed\n", pattern);
  f = XLoadQueryFont(dev.dpy, "fixed");
  if (!f) say("Font fixed not found\n");
  return f;
}

// A busy server may refuse a connection for a moment (its queue of new
// connections is full), so the display is tried a few times before the
// program gives up.
Display* open_display() {
  for (int attempt = 0;; ++attempt) {
    if (Display* d = XOpenDisplay(nullptr)) return d;
    if (attempt == 9 || !std::getenv("DISPLAY")) return nullptr;
    timespec pause{0, 50 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
}

// True when a text shows a number: digits, signs, points, exponent letters
// and blanks only.
bool is_number(const char* s, int n) {
  bool digit = false;
  for (int i = 0; i < n; ++i) {
    if (s[i] >= '0' && s[i] <= '9') digit = true;
    else if (s[i] != ' ' && s[i] != '+' && s[i] != '-' && s[i] != '.' && s[i] != 'E') return false;
  }
  return digit;
}

// The cells of characters from..to-1 of a text written at p in font f: as
// wide as those characters, from the font's ascent to its descent.
XRectangle cells(const XFontStruct* f, XPoint p, const char* s, int from, int to) {
  auto* font = const_cast<XFontStruct*>(f);
  const int x = p.x + XTextWidth(font, s, from);
  const int w = XTextWidth(font, s + from, to - from);
  return XRectangle{clamp16(x), clamp16(p.y - f->ascent), (unsigned short)std::clamp(w, 0, 65535),
                    (unsigned short)std::clamp(f->ascent + f->descent, 0, 65535)};
}

bool overlap(const XRectangle& a, const XRectangle& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
         b.y < a.y + a.height;
}

void set_pen_colour(int i) {
  dev.xgcv.foreground = dev.colind[i];
  XChangeGC(dev.dpy, dev.gc, GCForeground, &dev.xgcv);
}

// Recovery point of xwi_guard while its body runs.
sigjmp_buf* recovery = nullptr;
// Connections that broke: never used again, kept only so that the X
// library's memory for them stays reachable.
Display* lost[8];
int nlost = 0;

}  // namespace

// The X library calls this when the connection to the server breaks (the
// server ended or the network went away); returning would end the process.
// Inside xwi_guard the body is abandoned instead.
namespace {
XErrorHandler default_error = nullptr;

// Requests on a window that another client destroyed fail; that is noted
// (the waiting loops then end the visit) instead of ending the program.
// Every other error takes the X library's default course.
int window_error(Display* d, XErrorEvent* e) {
  if ((e->error_code == BadWindow || e->error_code == BadDrawable) &&
      (e->resourceid == dev.window1 || dev.window_lost)) {
    dev.window_lost = 1;
    return 0;
  }
  return default_error ? default_error(d, e) : 0;
}

void close_lost_window() {
  XCloseDisplay(dev.dpy);
  dev = Device{};
  dev.nrsave = -1;
  say("Window closed: the graphics window was destroyed.\n");
}
}  // namespace

void window_gone() {
  dev.window_lost = 1;
  if (recovery) siglongjmp(*recovery, 2);
  close_lost_window();
}

int connection_broken(Display*) {
  if (recovery) siglongjmp(*recovery, 1);
  say("Display lost: the connection to the X server broke.\n");
  std::fflush(nullptr);
  return 0;
}

void say(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::vprintf(fmt, args);
  va_end(args);
  std::fflush(stdout);
}

Rect visible_part() {
  Rect r{0, 0, dev.window1W, dev.window1H};
  if (dev.window1X + dev.window1W > dev.xr + dev.wr) r.w = dev.xr + dev.wr - dev.window1X;
  if (dev.window1X < dev.xr) {
    r.x = dev.xr - dev.window1X;
    r.w -= r.x;
  }
  if (dev.window1Y + dev.window1H > dev.yr + dev.hr) r.h = dev.yr + dev.hr - dev.window1Y;
  if (dev.window1Y < dev.yr) {
    r.y = dev.yr - dev.window1Y;
    r.h -= r.y;
  }
  return r;
}

void repair_visible() {
  Rect r = visible_part();
  if (r.w <= 0 || r.h <= 0) return;
  XCopyArea(dev.dpy, dev.pixmap, dev.window1, dev.gc, r.x, r.y, unsigned(r.w),
            unsigned(r.h), r.x, r.y);
}

void restore_whole() {
  XCopyArea(dev.dpy, dev.pixmap, dev.window1, dev.gc, 0, 0, unsigned(dev.window1W),
            unsigned(dev.window1H), 0, 0);
}

}  // namespace xwi

using xwi::dev;

void inixwi(const char* title, const float& x, const float& y, const float& w,
            const float& h) {
  if (dev.dpy) return;
  dev.dpy = xwi::open_display();
  if (!dev.dpy) {
    xwi::say("Display not opened!\n");
    return;
  }
  XSetIOErrorHandler(xwi::connection_broken);
  XErrorHandler previous = XSetErrorHandler(xwi::window_error);
  if (previous != xwi::window_error) xwi::default_error = previous;
  Display* d = dev.dpy;
  dev.window1X = xwi::trunc_coord(x);
  dev.window1Y = xwi::trunc_coord(y);
  dev.window1W = xwi::trunc_coord(w);
  dev.window1H = xwi::trunc_coord(h);
  if (dev.window1W < 1) dev.window1W = 1;  // X refuses empty windows
  if (dev.window1H < 1) dev.window1H = 1;

  int revert = 0;
  XGetInputFocus(d, &dev.window0, &revert);

  dev.screen = XDefaultScreenOfDisplay(d);
  Window root = XRootWindowOfScreen(dev.screen);
  {
    Window groot;
    int gx, gy;
    unsigned gw, gh, border, depth;
    XGetGeometry(d, root, &groot, &gx, &gy, &gw, &gh, &border, &depth);
    dev.xr = gx;
    dev.yr = gy;
    dev.wr = int(gw);
    dev.hr = int(gh);
  }

  Colormap cmap = XDefaultColormapOfScreen(dev.screen);
  for (int i = 0; i < xwi::NCOLOURS; ++i) {
    XColor c{};
    c.red = xwi::COLOURS[i].r;
    c.green = xwi::COLOURS[i].g;
    c.blue = xwi::COLOURS[i].b;
    c.flags = DoRed | DoGreen | DoBlue;
    if (XAllocColor(d, cmap, &c))
      dev.colind[i] = c.pixel;
    else
      xwi::say("Color %d not allocated\n", i);
  }
  dev.menu_col_f = dev.colind[5];
  dev.menu_col_b = dev.colind[2];

  dev.fontm = xwi::load_font(xwi::MENU_FONT);
  for (int i = 0; i < xwi::NFONTS; ++i) dev.font[i] = xwi::load_font(xwi::TEXT_FONTS[i]);

  XSetWindowAttributes attr{};
  attr.background_pixel = dev.colind[xwi::BACKGROUND];
  attr.event_mask =
      KeyPressMask | KeyReleaseMask | ButtonPressMask | PointerMotionMask | ExposureMask |
      StructureNotifyMask;
  dev.window1 = XCreateWindow(d, root, dev.window1X, dev.window1Y, unsigned(dev.window1W),
                              unsigned(dev.window1H), 0, XDefaultDepthOfScreen(dev.screen),
                              InputOutput, XDefaultVisualOfScreen(dev.screen),
                              CWBackPixel | CWEventMask, &attr);

  const unsigned long mask = GCForeground | GCBackground | GCLineWidth | GCLineStyle;
  XGCValues v{};
  v.line_width = 1;
  v.line_style = LineSolid;
  v.foreground = dev.colind[2];
  v.background = dev.colind[xwi::BACKGROUND];
  dev.gc_c_on = XCreateGC(d, dev.window1, mask, &v);
  v.foreground = dev.colind[xwi::BACKGROUND];
  dev.gc_c_off = XCreateGC(d, dev.window1, mask, &v);
  dev.xgcv = v;
  dev.xgcv.foreground = dev.colind[1];
  dev.gc = XCreateGC(d, dev.window1, mask, &dev.xgcv);
  dev.ngc = XCreateGC(d, root, 0, nullptr);
  dev.rgc = XCreateGC(d, root, 0, nullptr);
  if (dev.fontm) {
    XSetFont(d, dev.ngc, dev.fontm->fid);
    XSetFont(d, dev.rgc, dev.fontm->fid);
  }
  XSetForeground(d, dev.ngc, dev.menu_col_b);
  XSetForeground(d, dev.rgc, dev.menu_col_f);

  dev.fontcursor = XCreateFontCursor(d, XC_cross);
  XDefineCursor(d, dev.window1, dev.fontcursor);

  XSizeHints hints{};
  hints.flags = PPosition | PSize;
  hints.x = dev.window1X;
  hints.y = dev.window1Y;
  hints.width = dev.window1W;
  hints.height = dev.window1H;
  XSetNormalHints(d, dev.window1, &hints);
  XStoreName(d, dev.window1, title);

  XMapWindow(d, dev.window1);
  for (;;) {
    XEvent ev;
    XNextEvent(d, &ev);
    if (ev.type == MapNotify && ev.xmap.window == dev.window1) break;
  }

  dev.pixmap = XCreatePixmap(d, dev.window1, unsigned(dev.window1W), unsigned(dev.window1H),
                             unsigned(XDefaultDepthOfScreen(dev.screen)));
  XFillRectangle(d, dev.pixmap, dev.gc_c_off, 0, 0, unsigned(dev.window1W),
                 unsigned(dev.window1H));
}

void gramov(const float& x, const float& y) {
  if (!dev.dpy) return;
  flush_xwi();
  dev.xy[0] = xwi::to_window(x, y);
  dev.xycount = 1;
}

void gradrw(const float& x, const float& y) {
  if (!dev.dpy) return;
  XPoint p = xwi::to_window(x, y);
  dev.xy[dev.xycount++] = p;
  if (dev.xycount >= xwi::XY_BATCH) {
    flush_xwi();
    dev.xy[0] = p;  // the next batch goes on from the last point drawn
    dev.xycount = 1;
  }
}

void flush_xwi() {
  if (!dev.dpy || dev.xycount == 0) return;
  XDrawLines(dev.dpy, dev.window1, dev.gc, dev.xy, dev.xycount, CoordModeOrigin);
  XwiCounters& c = dev.counters;
  ++c.polylines;
  c.points = dev.xycount;
  c.first_x = dev.xy[0].x;
  c.first_y = dev.xy[0].y;
  c.last_x = dev.xy[dev.xycount - 1].x;
  c.last_y = dev.xy[dev.xycount - 1].y;
  dev.xycount = 0;
  XFlush(dev.dpy);
  ++c.flushes;
}

void set_col(const int& i) {
  if (!dev.dpy) return;
  flush_xwi();
  if (i < 0 || i >= xwi::NCOLOURS) {
    xwi::say("Color index %d out of range\n", i);
    return;
  }
  xwi::set_pen_colour(i);
}

void set_col_l(const int& i) { set_col(i); }

void linex(const int& s) {
  if (!dev.dpy) return;
  dev.xgcv.line_style = s == 1 ? LineOnOffDash : LineSolid;
  XChangeGC(dev.dpy, dev.gc, GCLineStyle, &dev.xgcv);
  if (s == 1) XSetDashes(dev.dpy, dev.gc, 0, xwi::DASHES, 2);
}

void text_out(const char* text, const float& x, const float& y, const int& f) {
  if (!dev.dpy) return;
  const int n = int(std::strlen(text));
  int first = 0, last = n;
  while (first < n && text[first] == ' ') ++first;
  if (first == n) return;  // blanks only: nothing to show, nothing to blank
  while (text[last - 1] == ' ') --last;
  int index = f;
  if (index < 0 || index >= xwi::NFONTS) {
    // Keep the font in force rather than reading past the font table.
    xwi::say("Font index %d out of range\n", f);
    index = dev.nrsave >= 0 ? dev.nrsave : 0;
  }
  if (index != dev.nrsave) {
    if (dev.font[index]) XSetFont(dev.dpy, dev.gc, dev.font[index]->fid);
    dev.nrsave = index;
    ++dev.counters.font_changes;
  }
  XPoint p = xwi::to_window(x, y);
  const XFontStruct* font = dev.font[index];
  if (!font) {
    XDrawImageString(dev.dpy, dev.window1, dev.gc, p.x, p.y, text, n);
    return;
  }
  // The text's box, less the cells of the numbers it would cover.
  const XRectangle box = xwi::cells(font, p, text, 0, n);
  Region keep = nullptr;
  for (int i = 0; i < dev.nnumbers; ++i) {
    if (!xwi::overlap(box, dev.numbers[i])) continue;
    if (!keep) {
      keep = XCreateRegion();
      XUnionRectWithRegion(const_cast<XRectangle*>(&box), keep, keep);
    }
    Region cell = XCreateRegion();
    XUnionRectWithRegion(&dev.numbers[i], cell, cell);
    XSubtractRegion(keep, cell, keep);
    XDestroyRegion(cell);
  }
  if (keep) {
    XSetRegion(dev.dpy, dev.gc, keep);
    XDestroyRegion(keep);
  }
  XDrawImageString(dev.dpy, dev.window1, dev.gc, p.x, p.y, text, n);
  if (keep) XSetClipMask(dev.dpy, dev.gc, None);
  if (xwi::is_number(text, n) && dev.nnumbers < xwi::NUMBERS_MAX)
    dev.numbers[dev.nnumbers++] = xwi::cells(font, p, text, first, last);
}

void erase() {
  if (!dev.dpy) return;
  XClearWindow(dev.dpy, dev.window1);
  dev.nnumbers = 0;
}

void eraser(const float& x1, const float& y1, const float& x2, const float& y2) {
  if (!dev.dpy) return;
  int w = xwi::trunc_coord(x2 - x1);
  int h = xwi::trunc_coord(y2 - y1);
  // X reads a zero width or height as "to the window's edge"; an empty or
  // inverted rectangle clears nothing.
  if (w <= 0 || h <= 0) return;
  const XRectangle area{xwi::clamp16(xwi::trunc_coord(x1)),
                        xwi::clamp16(dev.window1H - xwi::trunc_coord(y2)),
                        (unsigned short)std::min(w, 65535), (unsigned short)std::min(h, 65535)};
  XClearArea(dev.dpy, dev.window1, area.x, area.y, unsigned(w), unsigned(h), False);
  int kept = 0;  // the numbers cleared away need no protection
  for (int i = 0; i < dev.nnumbers; ++i)
    if (!xwi::overlap(area, dev.numbers[i])) dev.numbers[kept++] = dev.numbers[i];
  dev.nnumbers = kept;
}

void grasave() {
  if (!dev.dpy) return;
  xwi::Rect r = xwi::visible_part();
  if (r.w > 0 && r.h > 0)
    XCopyArea(dev.dpy, dev.window1, dev.pixmap, dev.gc, r.x, r.y, unsigned(r.w),
              unsigned(r.h), r.x, r.y);
  dev.image = 1;
}

const XwiCounters& xwi_counters() { return dev.counters; }
int xwi_pending() { return dev.xycount; }
unsigned long xwi_window() { return dev.dpy ? dev.window1 : 0; }
void xwi_sync() {
  if (dev.dpy) XSync(dev.dpy, False);
}
int xwi_image() { return int(dev.image); }
int xwi_focus() { return dev.focus; }
unsigned long xwi_load_font(const char* pattern) {
  if (!dev.dpy) return 0;
  XFontStruct* f = xwi::load_font(pattern);
  if (!f) return 0;
  unsigned long id = f->fid;
  XFreeFont(dev.dpy, f);  // only its presence is asked for
  return id;
}

bool xwi_guard(void (*body)()) {
  sigjmp_buf here;
  sigjmp_buf* outer = xwi::recovery;
  xwi::recovery = &here;
  const int why = sigsetjmp(here, 1);
  if (why == 0) {
    body();
    xwi::recovery = outer;
    return true;
  }
  xwi::recovery = outer;
  if (why == 2) {  // the window is gone, the connection is sound
    xwi::close_lost_window();
    return false;
  }
  // Nothing more may be sent on the broken connection: the device closes,
  // keeping only the socket's descriptor from leaking.
  if (xwi::nlost < 8) xwi::lost[xwi::nlost++] = dev.dpy;
  close(ConnectionNumber(dev.dpy));
  dev = xwi::Device{};
  dev.nrsave = -1;
  xwi::say("Display lost: the connection to the X server broke.\n");
  return false;
}
