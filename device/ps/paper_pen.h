// The paper pen: the pen operations mapped onto the PostScript writer.
#pragma once

#include "device/pen.h"
#include "device/ps/ps.h"

struct PaperPen final : Pen {
  void move(float x, float y) override { psmov(x, y); }
  void draw(float x, float y) override { psdrw(x, y); }
  void flush() override { psflush(); }
  void colour(int i) override { pssetcol(i); }
  void line_style(int s) override { pslinex(s); }
  // Paper has one font (Courier at the size of pstxts): font is ignored.
  void text(float x, float y, const char* text, int len, int) override {
    pstext(x, y, text, len);
  }
  void new_page() override { psnewpage(); }
};

extern PaperPen paper_pen;
