// A pen that records every operation, so that the tests can check what a
// plot draws.  Coordinates are recorded as handed in (device units).
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
};
