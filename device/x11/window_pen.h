// The window pen: the graph library's pen operations drawn in the graphics
// window (move/draw/flush/colour/line style/text/new page become gramov,
// gradrw, flush_xwi, set_col, linex, text_out and erase).
#pragma once

#include "device/pen.h"

struct WindowPen final : Pen {
  void move(float x, float y) override;
  void draw(float x, float y) override;
  void flush() override;
  void colour(int i) override;
  void line_style(int s) override;
  // The text is handed to the window with a NUL behind its len characters;
  // texts longer than TEXT_MAX characters are cut (they are far wider than
  // the window).
  void text(float x, float y, const char* text, int len, int font) override;
  void new_page() override;

  static constexpr int TEXT_MAX = 255;
};

// The one window pen.
extern WindowPen window_pen;
