// The input side of the screen device: the prompt line with its typed,
// button and Control-Z answers, the pop-up menu, and handing the keyboard
// and the top of the window stack between the terminal and the window.

#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unistd.h>

#include "device/x11/xdevice.h"

namespace xwi {
namespace {

// Prompt line: the prompt followed by the characters typed so far.  A
// deletion appends three blanks for a moment, so typing stops three
// characters short of the end (and one more for the terminator).
constexpr int INPUT_SIZE = 100;
constexpr int INPUT_MAX = INPUT_SIZE - 1 - 3;
constexpr int CURSOR_W = 20, CURSOR_H = 30, CURSOR_RISE = 28;
constexpr int MAX_ITEMS = 100;  // panes of one menu
constexpr int MENU_BORDER = 4;

// Room behind a full-length prompt for the longest button answer.
char input[INPUT_SIZE + 20];
int input_len;             // length of the prompt inside input
int xinp, yinp;            // window column and row of the prompt's baseline
int controlpressed;        // Control held down: the next key is tested for Z
unsigned answer_button;    // pointer button of the last answer; 0: typed
Window panes[MAX_ITEMS];   // panes of the open menu

XCharStruct text_extents(XFontStruct* f, const char* s, int n) {
  XCharStruct overall{};
  if (!f || n <= 0) return overall;
  int dir, asc, desc;
  XTextExtents(f, s, n, &dir, &asc, &desc, &overall);
  return overall;
}

void alarm_handler(int) { dev.image = 1; }

// Arms the one-second timer after which exposures are repaired again.
void arm_alarm() {
  struct sigaction sa{};
  sa.sa_handler = alarm_handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGALRM, &sa, nullptr);
  alarm(1);
}

void draw_input() {
  XDrawImageString(dev.dpy, dev.window1, dev.gc, xinp, yinp, input, int(std::strlen(input)));
}

void cursor(GC g) {
  int x = xinp + text_extents(dev.font[3], input, int(std::strlen(input))).width;
  XFillRectangle(dev.dpy, dev.window1, g, x, yinp - CURSOR_RISE, CURSOR_W, CURSOR_H);
}

bool is_control(const char* name) {
  return std::strcmp(name, "Control_L") == 0 || std::strcmp(name, "Control_R") == 0;
}

// A Control key let go: the next key is no longer a chord with it.
void key_release(XKeyEvent& ev) {
  const char* name = XKeysymToString(XLookupKeysym(&ev, 0));
  if (name && is_control(name)) controlpressed = 0;
}

// Handles one key press; returns true when the answer is complete.
bool key(XKeyEvent& ev) {
  char buf[10];
  KeySym sym = NoSymbol;
  int n = XLookupString(&ev, buf, sizeof buf, &sym, nullptr);
  const char* name = XKeysymToString(sym);
  if (!name) name = "";
  KeySym plain = XLookupKeysym(&ev, 0);
  int len = int(std::strlen(input));

  if (std::strcmp(name, "Return") == 0 || std::strcmp(name, "KP_Enter") == 0) {
    cursor(dev.gc_c_off);
    return true;
  }
  if ((std::strcmp(name, "Delete") == 0 || std::strcmp(name, "BackSpace") == 0) &&
      len > input_len) {
    cursor(dev.gc_c_off);
    input[len - 1] = '\0';
    std::strcat(input, "   ");
    draw_input();
    input[len - 1] = '\0';
    cursor(dev.gc_c_on);
    return false;
  }
  if (controlpressed) {
    controlpressed = 0;
    if (std::strcmp(name, "z") == 0 || std::strcmp(name, "Z") == 0) {
      cursor(dev.gc_c_off);
      input[input_len] = '\0';
      std::strcat(input, "CONTROL_Z");
      return true;
    }
    return false;
  }
  if (is_control(name)) {
    controlpressed = 1;
    return false;
  }
  if (plain >= 32 && plain <= 126 && n > 0 && len < INPUT_MAX) {
    cursor(dev.gc_c_off);
    input[len] = buf[0];
    input[len + 1] = '\0';
    draw_input();
    cursor(dev.gc_c_on);
  }
  return false;
}

// Handles a button press: the answer names the button and where the
// pointer is.
void button(XButtonEvent& ev) {
  Window root, child;
  int rx, ry, px = 0, py = 0;
  unsigned mask;
  XQueryPointer(dev.dpy, dev.window1, &root, &child, &rx, &ry, &px, &py, &mask);
  char pos[40];
  std::snprintf(pos, sizeof pos, "%7.1f%7.1f", double(float(px)),
                double(float(dev.window1H - py)));
  pos[14] = '\0';
  cursor(dev.gc_c_off);
  input[input_len] = '\0';
  char word[8];
  std::snprintf(word, sizeof word, "MOUSE%u", ev.button);
  std::strcat(input, word);
  std::strcat(input, pos);
  answer_button = ev.button;
}

// Menu geometry from the first label in the menu font.
struct MenuShape {
  int W, h, a;
};

void paint_pane(int i, bool highlighted, const char* labels, int L, const MenuShape& s) {
  const char* label = labels + std::size_t(i) * std::size_t(L);
  int n = int(strnlen(label, std::size_t(L)));
  XSetWindowBackground(dev.dpy, panes[i], highlighted ? dev.menu_col_b : dev.menu_col_f);
  XClearWindow(dev.dpy, panes[i]);
  XDrawString(dev.dpy, panes[i], highlighted ? dev.rgc : dev.ngc, 2, s.a + 2, label, n);
}

int pane_of(Window w, int n) {
  for (int i = 0; i < n; ++i)
    if (panes[i] == w) return i;
  return -1;
}

}  // namespace

// Gives the keyboard focus to w.  A window that is not viewable (the
// graphics window iconified by the user) or gone (the terminal closed)
// makes X refuse the request with an error; that refusal is caught here
// instead of ending the program through the default error handler.
namespace {
int refused;
int note_refusal(Display*, XErrorEvent*) {
  refused = 1;
  return 0;
}
}  // namespace

bool set_focus(Window w) {
  XSync(dev.dpy, False);
  refused = 0;
  auto old = XSetErrorHandler(note_refusal);
  XSetInputFocus(dev.dpy, w, RevertToParent, CurrentTime);
  XSync(dev.dpy, False);
  XSetErrorHandler(old);
  return !refused;
}

// A refused focus is asked for again by the next prompt or menu.
void take_focus() {
  if (!dev.focus && set_focus(dev.window1)) dev.focus = 1;
}

}  // namespace xwi

using xwi::dev;

void getinp(const float& x, const float& y, const char* prompt, char* answer,
            int answer_len) {
  using namespace xwi;
  if (!dev.dpy) return;
  // The prompt is cut where it would leave no room for typing.
  int plen = int(strnlen(prompt, INPUT_MAX));
  std::memcpy(input, prompt, std::size_t(plen));
  input[plen] = '\0';
  input_len = plen;
  XCharStruct ext = text_extents(dev.font[3], input, plen);
  int th = ext.ascent + ext.descent;
  xinp = trunc_coord(x);
  yinp = dev.window1H - trunc_coord(y) + th;

  if (dev.font[3]) XSetFont(dev.dpy, dev.gc, dev.font[3]->fid);
  draw_input();
  grasave();
  cursor(dev.gc_c_on);
  dev.image = 0;
  arm_alarm();
  take_focus();
  answer_button = 0;

  for (bool done = false; !done;) {
    if (dev.window_lost) return window_gone();
    XEvent ev;
    XNextEvent(dev.dpy, &ev);
    switch (ev.type) {
      case KeyPress:
        if (ev.xkey.window == dev.window1) done = key(ev.xkey);
        break;
      case KeyRelease:
        key_release(ev.xkey);
        break;
      case ButtonPress:
        // Buttons 1 to 3 answer; the wheel (4, 5) and the side buttons
        // (6 and up) are not answers.
        if (ev.xbutton.window == dev.window1 && ev.xbutton.button >= 1 &&
            ev.xbutton.button <= 3) {
          button(ev.xbutton);
          done = true;
        }
        break;
      case DestroyNotify:
        if (ev.xdestroywindow.window == dev.window1) return window_gone();
        break;
      case Expose:
        if (ev.xexpose.window == dev.window1 && dev.image == 1) repair_visible();
        break;
      default:
        break;
    }
  }

  if (dev.nrsave != -1 && dev.font[dev.nrsave])
    XSetFont(dev.dpy, dev.gc, dev.font[dev.nrsave]->fid);
  int n = int(std::strlen(input)) - input_len;
  if (answer && answer_len > 0)
    std::memcpy(answer, input + input_len, std::size_t(std::min(n, answer_len)));
  XFlush(dev.dpy);
}

int menu(const float& x, const float& y, const int& k, const int& n, const char* labels,
         const int& L) {
  using namespace xwi;
  (void)k;
  if (!dev.dpy) return 0;
  if (n < 1 || n > MAX_ITEMS) {
    xwi::say("Menu of %d items refused (1 to %d items)\n", n, MAX_ITEMS);
    return 0;
  }
  int len = L > 0 ? L : 0;
  XCharStruct ext = text_extents(dev.fontm, labels, int(strnlen(labels, std::size_t(len))));
  MenuShape s{ext.width + 4, ext.ascent + ext.descent + 8, ext.ascent};
  int Hm = s.h * n;

  int x0 = trunc_coord(x) - s.W / 2;
  x0 = std::max(x0, 0);
  x0 = std::min(x0, dev.window1W - s.W);
  int y0 = dev.window1H - trunc_coord(y);
  y0 = std::max(y0, 0);
  y0 = std::min(y0, dev.window1H - Hm);
  // The whole menu, border included, on the screen too, wherever the
  // window stands now: its top left corner first.
  int wx = 0, wy = 0;
  Window child;
  XTranslateCoordinates(dev.dpy, dev.window1, RootWindowOfScreen(dev.screen), 0, 0, &wx, &wy,
                        &child);
  x0 = std::max(std::min(x0, dev.xr + dev.wr - wx - s.W - 2 * MENU_BORDER), dev.xr - wx);
  y0 = std::max(std::min(y0, dev.yr + dev.hr - wy - Hm - 2 * MENU_BORDER), dev.yr - wy);

  Window box = XCreateSimpleWindow(dev.dpy, dev.window1, x0, y0, unsigned(s.W), unsigned(Hm),
                                   MENU_BORDER, dev.colind[1], dev.menu_col_f);
  for (int i = 0; i < n; ++i) {
    panes[i] = XCreateSimpleWindow(dev.dpy, box, 0, Hm * i / n, unsigned(s.W), unsigned(s.h),
                                   0, dev.menu_col_f, dev.menu_col_f);
    XSelectInput(dev.dpy, panes[i],
                 ButtonPressMask | ButtonReleaseMask | PointerMotionMask | ExposureMask);
  }
  XMapSubwindows(dev.dpy, box);
  XMapWindow(dev.dpy, box);

  // Escape, or a click beside the panes, cancels the menu (-1 + 1 = 0).
  int current = -1, chosen = -1;
  for (bool done = false; !done;) {
    if (dev.window_lost) return window_gone(), 0;
    XEvent ev;
    XNextEvent(dev.dpy, &ev);
    switch (ev.type) {
      case KeyPress:
        done = ev.xkey.window == dev.window1 && XLookupKeysym(&ev.xkey, 0) == XK_Escape;
        break;
      case KeyRelease:
        key_release(ev.xkey);
        break;
      case DestroyNotify:
        if (ev.xdestroywindow.window == dev.window1) return window_gone(), 0;
        break;
      case MotionNotify: {
        int p = pane_of(ev.xmotion.window, n);
        if (p != current) {
          if (current >= 0) paint_pane(current, false, labels, len, s);
          if (p >= 0) paint_pane(p, true, labels, len, s);
          current = p;
        }
        break;
      }
      case ButtonPress:
        if (ev.xbutton.button <= 3) {
          chosen = pane_of(ev.xbutton.window, n);
          done = true;
        }
        break;
      case Expose:
        if (ev.xexpose.window == dev.window1) {
          if (dev.image == 1) restore_whole();
        } else {
          int p = pane_of(ev.xexpose.window, n);
          if (p >= 0) paint_pane(p, false, labels, len, s);
        }
        break;
      default:
        break;
    }
  }

  take_focus();
  XUnmapWindow(dev.dpy, box);
  XDestroyWindow(dev.dpy, box);
  for (int i = 0; i < n; ++i) panes[i] = 0;
  if (dev.image == 1) restore_whole();
  XFlush(dev.dpy);
  return chosen + 1;
}

void vt220_push() {
  if (!dev.dpy) return;
  XSynchronize(dev.dpy, True);
  // Keys and buttons that came while the graphics were left answer no
  // question of this visit; a window closed meanwhile ends it.
  XSync(dev.dpy, False);
  XEvent ev;
  while (XCheckWindowEvent(dev.dpy, dev.window1, KeyPressMask | KeyReleaseMask | ButtonPressMask,
                           &ev)) {
  }
  if (XCheckTypedWindowEvent(dev.dpy, dev.window1, DestroyNotify, &ev) || dev.window_lost)
    return xwi::window_gone();
  xwi::take_focus();
  XRaiseWindow(dev.dpy, dev.window1);
  if (dev.image == 1) {
    timespec pause{0, 100 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    xwi::restore_whole();
  }
  XSynchronize(dev.dpy, False);
}

void vt220_pop() {
  if (!dev.dpy) return;
  XSynchronize(dev.dpy, True);
  grasave();
  XLowerWindow(dev.dpy, dev.window1);
  if (dev.focus == 1) {
    xwi::set_focus(dev.window0);
    dev.focus = 0;
  }
  XSynchronize(dev.dpy, False);
}

int xwi_answer_button() { return int(xwi::answer_button); }
