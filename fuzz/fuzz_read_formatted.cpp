// Fuzz target: read_formatted on arbitrary text under each format the
// program reads with (the data file's, the H-factor file's, the terminal
// answers' and the screens' internal reads).  The first byte picks the
// format; the rest is read from a file, statement after statement until
// one fails, and as an internal record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "state/fixed.h"
#include "records/text_records.h"
#include "fuzz/fuzz_support.h"

namespace {

// A format and the items one statement reads: ints, then reals, then an
// optional text of 80 or 1 characters, in the order the format wants them.
struct ReadFormat {
  const char* format;
  int ints_first;  // integers before the reals
  int reals;
  int ints_after;  // integers after the reals
  int text;        // 0, 1 or 80 characters, last
  bool text_first;  // the text comes before everything else
};

const ReadFormat FORMATS[] = {
    {"(A)", 0, 0, 0, 80, true},
    {"(4F10.3,I6)", 0, 4, 1, 0, false},
    {"(4F10.3)", 0, 4, 0, 0, false},
    {"(10F7.0)", 0, 10, 0, 0, false},
    {"(10F7.0)", 0, 1, 0, 0, false},
    {"(2I5,6F10.3)", 2, 6, 0, 0, false},
    {"(I3,A80)", 1, 0, 0, 80, false},
    {"(7(7E11.3,/),2E11.3)", 0, 51 * 3, 0, 0, false},
    {"(I2)", 1, 0, 0, 0, false},
    {"(A1)", 0, 0, 0, 1, true},
    {"(F6.3)", 0, 1, 0, 0, false},
    {"(I1)", 1, 0, 0, 0, false},
};
constexpr int NFORMATS = int(sizeof FORMATS / sizeof FORMATS[0]);
constexpr int UNIT = 9;

int read_statement(const ReadFormat& f, int unit, const char* record, int len) {
  int ints[2] = {0, 0};
  static float reals[51 * 3];
  FString<80> text80;
  FString<1> text1;
  static int unused = 0;  // placeholder items, overwritten before use
  rec::Item items[4] = {unused, unused, unused, unused};
  int n = 0;
  if (f.text_first) {
    items[n++] = f.text == 80 ? rec::Item(text80) : rec::Item(text1);
  }
  if (f.ints_first) items[n++] = rec::Item::ints(ints, f.ints_first);
  if (f.reals) items[n++] = rec::Item::reals(reals, f.reals);
  if (f.ints_after) items[n++] = rec::Item::ints(ints + 1, f.ints_after);
  if (f.text && !f.text_first) items[n++] = f.text == 80 ? rec::Item(text80) : rec::Item(text1);
  if (unit >= 0) return rec::read_formatted(unit, f.format, items, n, rec::ERR_END);
  // An internal record takes the items of one statement as a list.
  switch (n) {
    case 1: return rec::read_formatted(rec::Internal(const_cast<char*>(record), len), f.format,
                                       {items[0]}, rec::ERR_END);
    case 2: return rec::read_formatted(rec::Internal(const_cast<char*>(record), len), f.format,
                                       {items[0], items[1]}, rec::ERR_END);
    default: return rec::read_formatted(rec::Internal(const_cast<char*>(record), len), f.format,
                                        {items[0], items[1], items[2]}, rec::ERR_END);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  kalo_fuzz::init();
  kalo_fuzz::reset();
  const ReadFormat& f = FORMATS[data[0] % NFORMATS];
  const char* text = reinterpret_cast<const char*>(data + 1);
  const int len = int(size - 1);
  kalo_fuzz::write_input("records", data + 1, size - 1);
  kalo_fuzz::run([&] {
    if (rec::open(UNIT, "records", rec::Status::OLD, rec::Access::SEQUENTIAL, rec::ERR) != 0)
      std::abort();
    for (int n = 0; n < 1000 && read_statement(f, UNIT, nullptr, 0) == 0; ++n) {
    }
    rec::close(UNIT);
    read_statement(f, -1, text, len);
  });
  return 0;
}
