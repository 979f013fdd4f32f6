// A pen that records every operation, so that the tests can check what a
// plot draws.  Coordinates are recorded as handed in (device units) and
// read back in graph units by dividing by the scale the test drew with.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "device/pen.h"

struct RecordingPen final : Pen {
  struct Op {
    char kind;  // 'm' move, 'd' draw, 'f' flush, 'c' colour, 'l' line style, 't' text, 'n' new page
    float x = 0, y = 0;
    int i = 0;         // colour, line style or font index
    std::string text;  // the characters of a text
  };
  std::vector<Op> ops;

  void move(float x, float y) override { add('m', x, y); }
  void draw(float x, float y) override { add('d', x, y); }
  void flush() override { add('f'); }
  void colour(int i) override { add('c', 0, 0, i); }
  void line_style(int s) override { add('l', 0, 0, s); }
  void text(float x, float y, const char* t, int len, int font) override {
    add('t', x, y, font, std::string(t, std::size_t(len > 0 ? len : 0)));
  }
  void new_page() override { add('n'); }
  void add(char k, float x = 0, float y = 0, int i = 0, std::string t = {}) {
    ops.push_back(Op{k, x, y, i, std::move(t)});
  }

  // Line segments (from each move or draw's predecessor to it), scaled.
  struct Seg {
    float x1, y1, x2, y2;
  };
  std::vector<Seg> segments(float sx, float sy) const {
    std::vector<Seg> out;
    float px = 0, py = 0;
    for (const Op& o : ops) {
      if (o.kind == 'd') out.push_back({px / sx, py / sy, o.x / sx, o.y / sy});
      if (o.kind == 'm' || o.kind == 'd') px = o.x, py = o.y;
    }
    return out;
  }
  std::vector<Op> texts() const {
    std::vector<Op> out;
    for (const Op& o : ops)
      if (o.kind == 't') out.push_back(o);
    return out;
  }
  // The kinds of the operations in order, e.g. "mdmdf".
  std::string kinds() const {
    std::string s;
    for (const Op& o : ops) s += o.kind;
    return s;
  }
};
