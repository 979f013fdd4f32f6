#include "device/x11/window_pen.h"

#include <cstring>

#include "device/x11/window.h"

WindowPen window_pen;

void WindowPen::move(float x, float y) { gramov(x, y); }
void WindowPen::draw(float x, float y) { gradrw(x, y); }
void WindowPen::flush() { flush_xwi(); }
void WindowPen::colour(int i) { set_col(i); }
void WindowPen::line_style(int s) { linex(s); }
void WindowPen::new_page() { erase(); }

void WindowPen::text(float x, float y, const char* text, int len, int font) {
  char buf[TEXT_MAX + 1];
  int n = len < 0 ? 0 : len > TEXT_MAX ? TEXT_MAX : len;
  if (n > 0) std::memcpy(buf, text, std::size_t(n));
  buf[n] = '\0';
  text_out(buf, x, y, font);
}
