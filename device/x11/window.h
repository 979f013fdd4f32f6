// The graphics window: one X11 top-level window in which the result screens
// and the graph library draw, with a prompt line and pop-up menus for the
// answers.  This header is the whole interface; Xlib stays behind it.
//
// Coordinates are device units: window pixels, x from the left edge, y
// upward from the bottom edge.  Reals are truncated toward zero, and y
// becomes the window row (window height given to inixwi) - trunc(y).
// Texts handed in are ended by a NUL.  Arguments are passed by reference.
// Every operation except inixwi does nothing while no window is open.
#pragma once

// Opens the display and creates, maps and prepares the window `title` at
// screen position (x, y), w x h pixels.  No display: "Display not opened!"
// and the device stays closed (xwi_window() is 0), so the caller can go on
// without graphics.  A second call leaves the open window as it is.
void inixwi(const char* title, const float& x, const float& y, const float& w,
            const float& h);

// Draws the pending line, then starts a new one at (x, y).
void gramov(const float& x, const float& y);
// Extends the pending line to (x, y); 499 points go out as one request.
void gradrw(const float& x, const float& y);
// Draws the pending line, if any, and sends all queued requests.
void flush_xwi();
// Draws the pending line, then selects colour i (0..8) for what follows.
void set_col(const int& i);
// The same as set_col (the contour segments use this name).
void set_col_l(const int& i);
// Line style: s = 1 dashed (2 pixels on, 2 off), anything else solid.
void linex(const int& s);
// Writes text in font index f (0..3), left end of its baseline at (x, y),
// on a background-coloured box.  A text of blanks only paints nothing, and
// no text paints over the cells of a number drawn before it (since the
// last erase): a number stays as it was drawn.
void text_out(const char* text, const float& x, const float& y, const int& f);
// Clears the whole window to the background colour 8.
void erase();
// Clears the rectangle from (x1, y1) lower left to (x2, y2) upper right.
void eraser(const float& x1, const float& y1, const float& x2, const float& y2);
// Copies the part of the window that is on the screen into the saved image.
void grasave();

// Writes prompt with its top-left corner at (x, y) and waits for the answer:
// the characters typed before Return, "CONTROL_Z" (left Control, then Z),
// "MOUSE1".."MOUSE3" and the pointer position "%7.1f%7.1f" (a button), or
// nothing (any other button).  The answer's characters are copied to the
// start of answer, at most answer_len of them; the rest is left as it was.
void getinp(const float& x, const float& y, const char* prompt, char* answer,
            int answer_len);
// The pointer button (1..3) that gave the last answer of getinp, 0 when it
// was typed: a typed "MOUSE1" is text, not a button.
int xwi_answer_button();
// Pops up a menu of n items (1..100) with its top edge at (x, y) and returns
// the number of the item clicked, counted from 1, or 0 when Escape or a
// click beside the menu cancels it.  The menu stays inside the window and
// the screen.  labels holds the n items
// one after the other, L characters each.  k is not used.  A menu of no
// items or of more than 100 is refused with a message and gives 0.
int menu(const float& x, const float& y, const int& k, const int& n,
         const char* labels, const int& L);
// Runs body, which uses the window.  When the connection to the X server
// breaks meanwhile, or another client (a window manager's close) destroys
// the window, body is abandoned where it was (it must hold nothing that
// needs cleaning up), the device is closed, "Display lost: ..." or "Window
// closed: ..." is printed, and the result is false; a later inixwi may open
// a new window.  Outside it, a question or menu then gives no answer.
bool xwi_guard(void (*body)());
// Window to the top of the stack, keyboard to it, saved picture restored;
// keys and buttons that came while the graphics were left are dropped.
void vt220_push();
// Picture saved, window to the bottom, keyboard back to the terminal.
void vt220_pop();

// ---- Inspection, for the tests of the device ----

// What the device has sent since the window was opened.
struct XwiCounters {
  int polylines;      // draw-connected-lines requests
  int points;         // points in the last of them
  int first_x, first_y;  // first point of the last request (window pixels)
  int last_x, last_y;    // last point of the last request
  int flushes;        // output-queue flushes by flush_xwi
  int font_changes;   // font changes on the pen made by text_out
};
const XwiCounters& xwi_counters();
// Points of the pending line.
int xwi_pending();
// The window's id (an X window id), 0 while no window is open.
unsigned long xwi_window();
// Waits until the server has handled every request sent so far.
void xwi_sync();
// The flags `image` (saved image may be copied back) and `focus`.
int xwi_image();
int xwi_focus();
// Loads a font by pattern as inixwi does (falling back to "fixed" with a
// message when nothing matches), returns its id (0: none) and releases it.
unsigned long xwi_load_font(const char* pattern);
