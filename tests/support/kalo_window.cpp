// gtest before Xlib, whose macros (None, Bool, ...) clash with its names.
#include <gtest/gtest.h>

#include "tests/support/kalo_window.h"

#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "tests/support/x_input.h"

namespace {

bool is_kalo(Display* d, Window w) {
  char* name = nullptr;
  bool yes = XFetchName(d, w, &name) && name && std::strcmp(name, "TOMOGRAPHY") == 0;
  if (name) XFree(name);
  XWindowAttributes a;
  return yes && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

bool has_cursor(const XShot& s) {
  for (int y = 0; y < 45 && y < s.h; ++y)
    for (int x = 0; x < s.w; ++x)
      if (s.at(x, y) == 0xFF0000) return true;
  return false;
}

}  // namespace

KaloWindow::KaloWindow() {
  d_ = x_open();
  // The program's window may go away at any moment (the program ends): the
  // requests then fail, which is no fault of the test.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

KaloWindow::~KaloWindow() {
  if (d_) XCloseDisplay(d_);
}

void KaloWindow::forget() {
  if (d_) close(ConnectionNumber(d_));
  d_ = nullptr;
}

bool KaloWindow::find(const std::function<bool()>& alive, int timeout_ms) {
  for (int waited = 0; d_ && waited < timeout_ms; waited += 20, usleep(20000)) {
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    if (XQueryTree(d_, DefaultRootWindow(d_), &root, &parent, &kids, &n))
      for (unsigned i = 0; i < n && !w_; ++i)
        if (is_kalo(d_, kids[i])) w_ = kids[i];
    if (kids) XFree(kids);
    if (w_) return XSelectInput(d_, w_, FocusChangeMask), true;  // for next_visit
    if (!alive()) return false;
  }
  return false;
}

bool KaloWindow::next_visit(int timeout_ms) {
  XEvent ev;
  for (bool left = false; timeout_ms > 0; timeout_ms -= 20, usleep(20000))
    while (XCheckWindowEvent(d_, w_, FocusChangeMask, &ev))
      if (ev.xfocus.detail != NotifyPointer && (left = left || ev.type == FocusOut) &&
          ev.type == FocusIn)
        return true;
  return false;
}

void KaloWindow::keys(const std::string& text) {
  for (char c : text) {
    if (c == '\x1a') {
      x_send(d_, w_, KeyPress, XK_Control_L);
      x_send(d_, w_, KeyPress, XK_z);
    } else {
      KeySym k = c == '\n' ? XK_Return : c == '\b' ? XK_BackSpace : KeySym(static_cast<unsigned char>(c));
      x_send(d_, w_, KeyPress, k);
    }
  }
}

void KaloWindow::click(int button, int x, int y) {
  XWindowAttributes a;
  XGetWindowAttributes(d_, w_, &a);
  XWarpPointer(d_, 0, w_, 0, 0, 0, 0, x, a.height - y);
  XSync(d_, False);
  x_send(d_, w_, ButtonPress, unsigned(button));
}

bool KaloWindow::pick(int item, int timeout_ms) {
  // The open menu is the window's child; its panes are the items top down.
  for (int waited = 0; waited < timeout_ms; waited += 20, usleep(20000)) {
    const auto menus = x_children(d_, w_);
    const auto panes = menus.empty() ? menus : x_children(d_, menus[0]);
    if (int(panes.size()) < item) continue;
    usleep(50000);  // let the menu take its events
    x_send(d_, panes[std::size_t(item - 1)], ButtonPress, 1);
    for (int gone = 0; gone < 5000 && !x_children(d_, w_).empty(); gone += 20) usleep(20000);
    return true;
  }
  return false;
}

XShot KaloWindow::settled(const XShot* before, int timeout_ms) {
  XShot last, now;
  for (int waited = 0; waited < timeout_ms; waited += 100) {
    usleep(100000);
    XRaiseWindow(d_, w_);
    if (!x_capture(d_, w_, now)) continue;
    bool changed = !before || now.rgb != before->rgb;
    if (changed && has_cursor(now) && now.rgb == last.rgb) return now;
    last = now;
  }
  ADD_FAILURE() << "the window did not settle";
  return now;
}

std::string KaloWindow::resources() {
  int n = 0;
  XResClient* clients = nullptr;
  std::string out;
  if (!XResQueryClients(d_, &n, &clients)) return out;
  for (int i = 0; i < n; ++i) {
    if ((w_ & ~clients[i].resource_mask) != clients[i].resource_base) continue;
    int ntypes = 0;
    XResType* types = nullptr;
    if (XResQueryClientResources(d_, clients[i].resource_base, &ntypes, &types)) {
      for (int t = 0; t < ntypes; ++t) {
        char* name = XGetAtomName(d_, types[t].resource_type);
        out += std::string(name ? name : "?") + " " + std::to_string(types[t].count) + " ";
        if (name) XFree(name);
      }
      XFree(types);
    }
  }
  XFree(clients);
  return out;
}

std::function<void(const std::function<bool()>&)> with_window(
    std::function<void(KaloWindow&)> drive) {
  return [drive](const std::function<bool()>& alive) {
    KaloWindow w;
    ASSERT_TRUE(w.find(alive)) << "the window did not show";
    drive(w);
  };
}

void answer_returns(const std::function<bool()>& alive) {
  KaloWindow win;
  if (!win.display()) return;
  while (alive()) {
    if (win.id() || win.find(alive, 200)) win.keys("\n");
    usleep(100000);
  }
}
