// Reading the window's answers: widths chosen by the first blank, cut
// widths, pointer positions, and the answers that are read errors.
#include <gtest/gtest.h>

#include "screens/answers.h"

namespace {

Answer of(const char* text) {
  Answer a;
  a = text;
  return a;
}

TEST(Answers, NumbersCutsAndPointerPositions) {
  const struct {
    const char* text;
    bool ok;
    int code;
  } contour[] = {{"12", true, 12}, {"-110", true, -110}, {"1 5", true, 1}, {"", true, 0},
                 {"8", true, 8},   {"x", false, 0},      {"12345", true, 1234}};
  for (const auto& c : contour) {
    int code = -1;
    EXPECT_EQ(answer_contour(of(c.text), code), c.ok) << c.text;
    EXPECT_EQ(c.ok ? code : 0, c.code) << c.text;
  }
  int l = -1, r = -1;
  EXPECT_TRUE(answer_cut(of("2,3"), l, r));
  EXPECT_EQ(l * 10 + r, 23);
  EXPECT_TRUE(answer_cut(of(""), l, r));
  EXPECT_EQ(l * 10 + r, 0);
  EXPECT_FALSE(answer_cut(of("Y"), l, r));
  int d = -1;
  EXPECT_TRUE(answer_digit(of(""), d) && d == 0);
  EXPECT_FALSE(answer_digit(of("MOUSE2  12.0  30.0"), d));  // a button at a number question
  float x, y;
  const Answer click = of("MOUSE1  100.0  100.0");
  EXPECT_TRUE(answer_is(click, "MOUSE1") && !answer_is(click, "MOUSE2"));
  answer_pointer(click, x, y);
  EXPECT_EQ(x, 100.0f);
  EXPECT_EQ(y, 100.0f);
  answer_pointer(of("MOUSE1 garbage here"), x, y);
  EXPECT_EQ(x + y, 0.0f);
  EXPECT_TRUE(answer_is(of("CONTROL_Z"), "CONTROL_Z") && answer_is_p(of("p")));
}

}  // namespace
