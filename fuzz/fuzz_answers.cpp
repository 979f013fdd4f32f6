// Fuzz target: the answers of the graphics window's questions, read as the
// screen driver reads them (frame numbers, pointer positions of a button
// answer, cut widths, contour-count codes), and a cut of an H-factor column
// with whatever widths come out.  The input is the answer text: at most 30
// characters, blank-padded as the driver holds it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "screens/answers.h"
#include "screens/zoom.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Answer a;
  a.blank();
  std::memcpy(a.c, data, size < 30 ? size : 30);

  int d = -1;
  if (answer_digit(a, d) && (d < 0 || d > 9)) std::abort();
  float x = 1, y = 1;
  answer_pointer(a, x, y);
  (void)answer_is(a, "MOUSE1");
  (void)answer_is(a, "CONTROL_Z");
  (void)answer_is_p(a);
  int code = 0;
  if (answer_contour(a, code) && (code < -999 || code > 9999)) std::abort();

  int left = 0, right = 0;
  if (answer_cut(a, left, right)) {
    if (left < 0 || left > 9 || right < 0 || right > 9) std::abort();
    // A column of 51 factors inside a guard: the cut stays in the column.
    float h[53];
    for (int k = 0; k < 53; ++k) h[k] = data[k % (size ? size : 1)] % 3 == 0 ? 0.0f : 1.0f;
    h[0] = h[52] = 7.0f;
    cuthfac(h + 1, 51, left, right);
    if (h[0] != 7.0f || h[52] != 7.0f) std::abort();
  }
  return 0;
}
