// Driving the graphics window "TOMOGRAPHY" of a kalo program that runs in
// the background, as a user would: typed answers, pointer buttons at a
// window position, menu items, and screenshots once a frame is drawn.
//
// Answers sent while the program is not waiting at a prompt queue up and
// are taken by its next prompts in order (except while a menu is open,
// which drops keys); those sent between two visits to the result screens
// are dropped, so a test waits for the next visit (next_visit).  Tests that run kalo share the one display and take
// turns (their file names end in _e2e_test).
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>

#include "tests/support/x_image.h"

class KaloWindow {
 public:
  KaloWindow();
  ~KaloWindow();
  KaloWindow(const KaloWindow&) = delete;
  KaloWindow& operator=(const KaloWindow&) = delete;

  // Waits until the program's window is mapped; false when alive() turns
  // false first or after timeout_ms.
  bool find(const std::function<bool()>& alive, int timeout_ms = 20000);
  Window id() const { return w_; }
  // Waits until the program has left the result screens and taken the
  // keyboard again at its next visit; false after timeout_ms.
  bool next_visit(int timeout_ms = 20000);
  // Drops the connection without a word to the server (before the test
  // ends the server itself).
  void forget();
  Display* display() const { return d_; }

  // Types text: '\n' is Return, '\b' BackSpace, '\x1a' left Control and Z
  // (an answer "CONTROL_Z"); other characters are their keys, unshifted.
  void keys(const std::string& text);
  // Moves the pointer to (x, y), pixels with y upward from the window's
  // bottom as the program counts them, and presses button `button` there.
  void click(int button, int x, int y);
  // Waits for the open pop-up menu and clicks its item (1 = top); false
  // when no menu opens within timeout_ms.
  bool pick(int item, int timeout_ms = 10000);
  // The window once it has changed from `before` (when given), shows the
  // prompt cursor, and stays unchanged for a moment.
  XShot settled(const XShot* before = nullptr, int timeout_ms = 10000);
  // What the server holds for the program: the count of each kind of
  // resource (windows, pixmaps, graphics contexts, fonts, ...), as
  // "WINDOW 2 PIXMAP 1 ..."; empty when the server cannot tell.
  std::string resources();

 private:
  Display* d_ = nullptr;
  Window w_ = 0;
};

// Drives the program's window with `drive` once it is shown (a `During` of
// run_kalo); a window that never shows fails the test.
std::function<void(const std::function<bool()>&)> with_window(
    std::function<void(KaloWindow&)> drive);

// Answers every question of the window with Return until the program ends:
// each visit to the result screens leaves at its first question.
void answer_returns(const std::function<bool()>& alive);
