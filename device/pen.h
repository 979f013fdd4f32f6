// The pen: the small set of drawing operations that the graphics window and
// the PostScript page both offer.  The graph library draws every plot once
// over a Pen&; the window pen and the paper pen map each operation onto
// their device (gramov/psmov, gradrw/psdrw, ...).  Coordinates are device
// units: graph units times the device scale (32 per unit in the window,
// 115.2 on paper).
#pragma once

struct Pen {
  // Ends the pending line and starts a new one at (x, y).
  virtual void move(float x, float y) = 0;
  // Extends the pending line to (x, y).
  virtual void draw(float x, float y) = 0;
  // Paints the pending line and sends everything drawn so far.
  virtual void flush() = 0;
  // Selects colour index i of the device's own table.
  virtual void colour(int i) = 0;
  // Line style: 1 = dashed grid lines (thin lines on paper), else solid.
  virtual void line_style(int s) = 0;
  // Writes the first len characters of text with the left end of its
  // baseline at (x, y); font is the window's font index 0..3 (paper has one).
  virtual void text(float x, float y, const char* text, int len, int font) = 0;
  // Starts a new picture: clears the window, or begins a new paper page.
  virtual void new_page() = 0;

 protected:
  ~Pen() = default;
};
