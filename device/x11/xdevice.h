// State of the screen device, shared by the drawing side (window.cpp) and
// the input side (input.cpp).  Only device/x11 includes this header: it is
// the one place that brings in Xlib.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cmath>
#include <csignal>

#include "device/x11/window.h"

namespace xwi {

constexpr int NCOLOURS = 9;      // colour indices 0..8
constexpr int NFONTS = 4;        // text font indices 0..3
constexpr int XY_CAPACITY = 500; // room of the polyline buffer
constexpr int XY_BATCH = 499;    // points per draw-connected-lines request
constexpr int BACKGROUND = 8;    // window and text-box background colour
constexpr int NUMBERS_MAX = 512; // numbers kept whole per picture (a frame has ~200)

// The one open window and everything X needs to draw in it.
struct Device {
  Display* dpy;              // connection to the X server; null while closed
  Screen* screen;            // the display's default screen
  Window window0;            // focus holder at opening (the terminal)
  Window window1;            // the graphics window
  int window1X, window1Y;    // its screen position, set once
  int window1W, window1H;    // its size, set once (y mapping uses window1H)
  int xr, yr, wr, hr;        // geometry of the root window
  Pixmap pixmap;             // saved image, window1W x window1H
  volatile std::sig_atomic_t image;  // 1: pixmap may be copied back
  int focus;                 // 1 while the keyboard is given to window1
  GC gc;                     // the pen
  GC gc_c_on, gc_c_off;      // prompt cursor: draw (red) and erase (colour 8)
  GC ngc, rgc;               // menu labels: normal and highlighted panes
  XGCValues xgcv;            // values of gc: colours, width, style
  unsigned long colind[NCOLOURS];     // pixel of each colour index
  unsigned long menu_col_f;  // pane background (cyan)
  unsigned long menu_col_b;  // pane label / highlight (red)
  XFontStruct* fontm;        // menu font
  XFontStruct* font[NFONTS]; // text fonts by index
  int nrsave;                // font index last set by text_out; -1 = none
  Cursor fontcursor;         // pointer shape over the window
  XPoint xy[XY_CAPACITY];    // pending polyline
  int xycount;               // points in xy; 0 = nothing pending
  XwiCounters counters;      // what has been sent, for the tests
  // Cells of the numbers drawn since the last erase: a later text's box and
  // glyphs are kept off them, so that no number is changed by a text drawn
  // over it (a y title over a tick label).
  XRectangle numbers[NUMBERS_MAX];
  int nnumbers;
  int window_lost;           // 1 once another client destroyed window1
};

extern Device dev;

// A real truncated toward zero, kept inside the 16-bit range of X
// coordinates (a NaN counts as 0), so that no conversion overflows.
inline int trunc_coord(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 32767.0f) return 32767;
  if (v <= -32768.0f) return -32768;
  return int(v);
}

// Visible part of the window in window coordinates: the rectangle that
// grasave copies and that an exposure during a prompt repairs.
struct Rect {
  int x, y, w, h;
};
Rect visible_part();
// Copies the visible part of the saved image back into the window.
void repair_visible();
// Copies the whole saved image back into the window.
void restore_whole();
// Gives the keyboard focus to the graphics window unless it has it.
void take_focus();
// Gives the keyboard focus to w; false when the server refused it.
bool set_focus(Window w);
// Abandons what xwi_guard runs when the connection to the server breaks.
int connection_broken(Display* d);
// Ends the use of a window that another client destroyed: abandons what
// xwi_guard runs, or (outside it) closes the device and returns.
void window_gone();
// Prints one device message on standard output at once.
void say(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace xwi
