#include "screens/answers.h"

#include "records/text_records.h"

namespace {

bool read(const Answer& a, const char* format, rec::Items items, int width) {
  // The reader takes a writable record; the answer itself is not changed.
  Answer copy = a;
  return rec::read_formatted(rec::Internal(copy.c, width), format, items, rec::ERR) == 0;
}

}  // namespace

bool answer_is(const Answer& a, std::string_view word) {
  return word.size() <= 30 && a.view().substr(0, word.size()) == word;
}

bool answer_is_p(const Answer& a) { return a(1) == 'P' || a(1) == 'p'; }

bool answer_digit(const Answer& a, int& v) { return read(a, "(I1)", {v}, 1); }

void answer_pointer(const Answer& a, float& x, float& y) {
  Answer copy = a;
  x = y = 0.0f;
  if (rec::read_formatted(rec::Internal(copy.c + 6, 14), "(2F7.1)", {x, y}, rec::ERR) != 0)
    x = y = 0.0f;
}

bool answer_frame(const Answer& a, int& v) {
  int d = 0;
  if (!answer_digit(a, d) || d < 0 || d > 8) return false;
  if (a.view().substr(1).find_first_not_of(' ') != std::string_view::npos) return false;
  v = d;
  return true;
}

bool answer_cut_wide(const Answer& a) {
  auto digit = [&](int c) { return a(c) >= '0' && a(c) <= '9'; };
  return (digit(1) && digit(2)) || (digit(3) && digit(4));
}

bool answer_cut(const Answer& a, int& left, int& right) {
  return read(a, "(I1,1X,I1)", {left, right}, 30);
}

bool answer_contour(const Answer& a, int& code) {
  const int width = a(2) == ' ' ? 1 : a(3) == ' ' ? 2 : a(4) == ' ' ? 3 : 4;
  static const char* const FORMATS[4] = {"(I1)", "(I2)", "(I3)", "(I4)"};
  return read(a, FORMATS[width - 1], {code}, width);
}
