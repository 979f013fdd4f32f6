// Formatted text records: exact records written and values read under the
// program's formats, units and files, and the fatal stop.
#include "driver/text_records.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <string>

namespace {

// A scratch file in the test's working directory, removed afterwards.
struct ScratchFile {
  std::string path;
  explicit ScratchFile(const char* tag)
      : path(std::string("records_") + tag + "_" + std::to_string(getpid()) + ".tmp") {
    std::remove(path.c_str());
  }
  ~ScratchFile() { std::remove(path.c_str()); }
  std::string text() const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void put(const std::string& t) const { std::ofstream(path, std::ios::binary) << t; }
};

// Writes one statement to a fresh file on unit 7; returns the whole file.
std::string written(std::string_view format, rec::Items items) {
  ScratchFile f("write");
  EXPECT_EQ(rec::open(7, f.path, rec::Status::UNKNOWN), 0);
  int st = rec::write_formatted(7, format, items, rec::ERR);
  rec::close(7);
  EXPECT_EQ(st, 0) << format;
  return f.text();
}

// Writes one statement into a 7-character internal record.
std::string label(std::string_view format, rec::Items items, int* status = nullptr) {
  char buf[8] = "#######";
  int st = rec::write_formatted(rec::Internal(buf, 7), format, items, rec::ERR);
  if (status) *status = st;
  return std::string(buf, 7);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

struct RealCase {
  const char* format;
  float value;
  const char* record;
};

TEST(TextRecordsWrite, RealFieldsAreColumnExact) {
  const RealCase cases[] = {
      {"(E11.3)", 1.5f, "  0.150E+01\n"},
      {"(E10.3)", 1.5f, " 0.150E+01\n"},
      {"(E9.3)", 1.5f, "0.150E+01\n"},
      {"(E9.3)", -1.5f, "-.150E+01\n"},
      {"(E8.3)", -1.5f, "********\n"},
      {"(E10.3)", 0.0f, " 0.000E+00\n"},
      {"(E10.3)", -0.0f, " 0.000E+00\n"},
      {"(E10.3)", 9.9996f, " 0.100E+02\n"},
      {"(E10.3)", 1.0e-30f, " 0.100E-29\n"},
      {"(1P,E9.2)", 1.5f, " 1.50E+00\n"},
      {"(1P,E8.2)", 12345.0f, "1.23E+04\n"},
      {"(1PE9.2)", -0.000125f, "-1.25E-04\n"},
      {"(1P,E9.2)", 0.0f, " 0.00E+00\n"},
      {"(F10.3)", 0.5f, "     0.500\n"},
      {"(F4.1)", -0.04f, " 0.0\n"},
      {"(F5.2)", 0.125f, " 0.12\n"},  // exact tie: to even
      {"(F5.2)", 0.375f, " 0.38\n"},
      {"(F5.2)", -0.004f, " 0.00\n"},
      {"(F4.3)", 0.5f, ".500\n"},     // one column short: no leading zero
      {"(F5.3)", -0.5f, "-.500\n"},
      {"(F3.2)", 1.5f, "***\n"},
      {"(F5.0)", 2.5f, "   2.\n"},
      {"(F7.2)", 20.0f, "  20.00\n"},
      {"(F7.2)", 9999.995f, "*******\n"},
      {"(F10.3)", 1e30f, "**********\n"},
      {"(F6.1)", kNaN, "   NaN\n"},
      {"(F6.1)", kInf, "   Inf\n"},
      {"(F6.1)", -kInf, "  -Inf\n"},
      {"(F3.1)", -kInf, "***\n"},
      {"(E11.3)", kNaN, "        NaN\n"},
      {"(1P,E9.2)", -kInf, "     -Inf\n"},
      {"(F2.0)", kNaN, "**\n"},
  };
  for (const RealCase& c : cases)
    EXPECT_EQ(written(c.format, {c.value}), c.record) << c.format << " " << c.value;
}

struct RecordCase {
  const char* format;
  const char* record;
};

TEST(TextRecordsWrite, IntegersTextAndLiterals) {
  int n = 123, m = -7, z = 0;
  FString<5> word;
  word = "ab";
  EXPECT_EQ(written("(I2)", {n}), "**\n");
  EXPECT_EQ(written("(I4)", {m}), "  -7\n");
  EXPECT_EQ(written("(I1)", {m}), "*\n");
  EXPECT_EQ(written("(I3,I3)", {z, n}), "  0123\n");
  EXPECT_EQ(written("(A)", {word}), "ab   \n");
  EXPECT_EQ(written("(A2)", {word}), "ab\n");
  EXPECT_EQ(written("(A7)", {word}), "  ab   \n");
  EXPECT_EQ(written("(1X,A,3X)", {"x"}), " x\n");  // trailing nX writes nothing
  EXPECT_EQ(written("('it''s',2H h,I2)", {m}), "it's h-7\n");
  EXPECT_EQ(written("('+Number of contour lines: 3 to 25')", {}),
            "+Number of contour lines: 3 to 25\n");
  EXPECT_EQ(written("(14(',',I2))", {n, m, z}), ",**,-7, 0,\n");
}

TEST(TextRecordsWrite, RecordsRevertAndStop) {
  float v[51];
  for (int i = 0; i < 51; ++i) v[i] = 1.5f;
  std::string line7, expect;
  for (int i = 0; i < 7; ++i) line7 += "  0.150E+01";
  for (int i = 0; i < 7; ++i) expect += line7 + "\n";
  expect += "  0.150E+01  0.150E+01\n";
  EXPECT_EQ(written("(7(7E11.3,/),2E11.3)", {rec::Item::reals(v, 51)}), expect);

  float s[12];
  for (int i = 0; i < 12; ++i) s[i] = float(i + 1);
  std::string scen = written("(1X,'SCEN: ',1P,10E9.2)", {rec::Item::reals(s, 12)});
  EXPECT_EQ(scen,
            " SCEN:  1.00E+00 2.00E+00 3.00E+00 4.00E+00 5.00E+00 6.00E+00 7.00E+00"
            " 8.00E+00 9.00E+00 1.00E+01\n"
            " SCEN:  1.10E+01 1.20E+01\n");

  int icon = 3;
  float qavd = 0.0123f, t = 1.5f;
  EXPECT_EQ(written("(' ICON  = ',I5,5X,'QAVD = ',E10.3,5X,'Time = ',F10.3,/)", {icon, qavd, t}),
            " ICON  =     3     QAVD =  0.123E-01     Time =      1.500\n\n");
  // Items run out: literals up to the next data descriptor are still written.
  EXPECT_EQ(written("(' A=',I2,' B=',I2,' C')", {icon}), " A= 3 B=\n");
  EXPECT_EQ(written("(I2,/,' next')", {icon}), " 3\n next\n");
  EXPECT_EQ(written("(' T=',F4.1,' s',$)", {t}), " T= 1.5 s");
  EXPECT_EQ(written("(' Q=',I2,' R=',I2,$)", {icon}), " Q= 3 R=");
}

TEST(TextRecordsWrite, InternalRecordsAreBounded) {
  int st = -9;
  float x = 1.25f;
  EXPECT_EQ(label("(F7.2)", {x}, &st), "   1.25");
  EXPECT_EQ(st, 0);
  EXPECT_EQ(label("(A)", {"abc"}, &st), "abc    ");
  EXPECT_EQ(st, 0);
  EXPECT_EQ(label("(A)", {"twelve chars"}, &st), "twelve ");
  EXPECT_GT(st, 0);
  EXPECT_EQ(label("(F9.2)", {x}, &st), "     1.");
  EXPECT_GT(st, 0);
  EXPECT_EQ(label("(I2,/,I2)", {1, 2}, &st), " 1     ");
  EXPECT_GT(st, 0);
  label("(5X,'abc')", {}, &st);
  EXPECT_GT(st, 0);
  EXPECT_EQ(label("(A,A)", {"abcd", "efg"}, &st), "abcdefg");
  EXPECT_EQ(st, 0);
  // A field as wide as the largest width, into a one-character record.
  char one[1] = {'#'};
  EXPECT_GT(rec::write_formatted(rec::Internal(one, 1), "(E999.99)", {x}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(rec::Internal(one, 1), "(A999)", {"q"}, rec::ERR), 0);
}

// Random formats and items never write outside an internal record, and
// reading random text never fails other than with a status.
TEST(TextRecordsWrite, NoFormatWritesOutsideTheRecord) {
  const char* pieces[] = {"I3", "I1", "F7.2", "F1.0", "E11.3", "E5.1", "1P", "0P", "A",
                          "A2", "A30", "5X", "'lit'", "3Hab,", "/", "2(I2,A1)", "$", "F999.99"};
  std::mt19937 rng(7);
  int ints[4] = {7, -123456, 0, 2147483647};
  float reals[4] = {1.5f, -0.04f, 3.0e38f, kNaN};
  FString<9> text;
  text = "some text";
  for (int round = 0; round < 3000; ++round) {
    std::string f = "(";
    int n = 1 + int(rng() % 5);
    for (int i = 0; i < n; ++i) f += std::string(i ? "," : "") + pieces[rng() % std::size(pieces)];
    f += ")";
    const rec::Item items[] = {rec::Item::ints(ints, int(rng() % 5)),
                               rec::Item::reals(reals, int(rng() % 5)), rec::Item(text)};
    int len = int(rng() % 12);
    char buf[32];
    std::memset(buf, 'G', sizeof buf);
    int st = rec::write_formatted(rec::Internal(buf + 8, len), f, {items[rng() % 3], items[rng() % 3]},
                                  rec::ERR);
    EXPECT_GE(st, 0) << f;
    for (int i = 0; i < 8; ++i) ASSERT_EQ(buf[i], 'G') << f;
    for (int i = 8 + len; i < 32; ++i) ASSERT_EQ(buf[i], 'G') << f << " len " << len;
    int iv[3];
    float rv[3];
    FString<4> tv;
    char line[12];
    for (char& ch : line) ch = " 0123456789.+-EeXA"[rng() % 18];
    // Any status will do; the sanitizer build catches a read outside line or items.
    rec::read_formatted(rec::Internal(line, len), f,
                        {rec::Item::ints(iv, 3), rec::Item::reals(rv, 3), rec::Item(tv)},
                        rec::ERR_END);
  }
}

TEST(TextRecordsWrite, BadFormatsAndItemsAreErrors) {
  int n = 1;
  float x = 1;
  const char* bad[] = {"I5", "(I5", "(I5))", "(Q5)", "(F5)", "(I0)", "(E9.x)",
                       "('open)", "(9(9(9(9(9(9(9(9(9(I1))))))))))", "(0I2)", "(-2I3)"};
  for (const char* f : bad) {
    char buf[10];
    EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), f, {n}, rec::ERR), 0) << f;
  }
  char buf[10];
  EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), "(I5)", {x}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), "(F5.1)", {n}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), "(A)", {n}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), "(E9.0)", {x}, rec::ERR), 0);
  // Items with no data descriptor to take them.
  EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), "('none')", {n}, rec::ERR), 0);
  EXPECT_GT(rec::read_formatted(rec::Internal(buf, 10), "(1X)", {n}, rec::ERR), 0);
}

TEST(TextRecordsList, FreeLayout) {
  ScratchFile f("list");
  ASSERT_EQ(rec::open(7, f.path, rec::Status::UNKNOWN), 0);
  float r[] = {1.5f, -2.0f, 0.0f, 1e10f, 0.1f, 123456789.0f};
  int n = 42;
  rec::write_list(7, {"/m {moveto} def"});
  rec::write_list(7, {"a", "b", n});
  rec::write_list(7, {rec::Item::reals(r, 6)});
  float many[8];
  for (float& m : many) m = -1.25e-5f;
  rec::write_list(7, {"v", rec::Item::reals(many, 8)});
  rec::close(7);
  EXPECT_EQ(f.text(),
            " /m {moveto} def\n"
            " ab 42\n"
            "  1.5 -2.  0.  1.E+10  0.100000001  123456792.\n"
            " v -1.24999997E-05 -1.24999997E-05 -1.24999997E-05 -1.24999997E-05\n"
            " -1.24999997E-05 -1.24999997E-05 -1.24999997E-05 -1.24999997E-05\n");
}

// ---------------------------------------------------------------------------

struct IntRead {
  const char* format;
  const char* line;
  int value;
};

TEST(TextRecordsRead, IntegersAndRealsFromInternalRecords) {
  const IntRead ints[] = {
      {"(I2)", "", 0}, {"(I2)", " 7", 7}, {"(I2)", "7 ", 7}, {"(I2)", "123", 12},
      {"(I5)", " - 4 ", -4}, {"(I3)", "+12", 12}, {"(2X,I2)", "9942", 42},
      {"(I11)", "-2147483648", -2147483647 - 1},
  };
  for (const IntRead& c : ints) {
    int v = -99;
    std::string line = c.line;
    EXPECT_EQ(rec::read_formatted(rec::Internal(line.data(), int(line.size())), c.format, {v},
                                  rec::ERR),
              0)
        << c.format << " '" << c.line << "'";
    EXPECT_EQ(v, c.value) << c.format << " '" << c.line << "'";
  }
  struct RealRead {
    const char* format;
    const char* line;
    float value;
  } reals[] = {
      {"(F6.3)", "1.5", 1.5f},       {"(F6.3)", "15", 0.015f},     {"(F6.3)", "", 0.0f},
      {"(F10.3)", "  1.5E+02", 150.0f}, {"(F10.3)", "1.5-2", 0.015f}, {"(F10.3)", "25e1", 0.25f},
      {"(F8.2)", "-0.125", -0.125f}, {"(E11.3)", "  0.150E+01", 1.5f}, {"(F4.1)", "1 5", 1.5f},
      {"(F6.0)", "3", 3.0f},         {"(F9.1)", "0.1", 0.1f},       {"(F9.1)", "1d3", 100.0f},
  };
  for (const RealRead& c : reals) {
    float v = -99;
    std::string line = c.line;
    EXPECT_EQ(rec::read_formatted(rec::Internal(line.data(), int(line.size())), c.format, {v},
                                  rec::ERR),
              0)
        << c.format << " '" << c.line << "'";
    EXPECT_EQ(v, c.value) << c.format << " '" << c.line << "'";
  }
}

TEST(TextRecordsRead, BadNumbersAreErrors) {
  const char* fields[] = {"P", "1.5", "--1", "+", "1e", "x", "99999999999"};
  for (const char* t : fields) {
    int v = 0;
    std::string s = t;
    EXPECT_GT(rec::read_formatted(rec::Internal(s.data(), int(s.size())), "(I11)", {v}, rec::ERR),
              0)
        << t;
  }
  const char* reals[] = {"1.5x", "1.2.3", "E5", ".", "1e99", "1.5e", "1,5"};
  for (const char* t : reals) {
    float v = 0;
    std::string s = t;
    EXPECT_GT(rec::read_formatted(rec::Internal(s.data(), int(s.size())), "(F9.2)", {v}, rec::ERR),
              0)
        << t;
  }
  // The menu answer: a digit or a letter.
  char answer[1] = {'P'};
  int digit = 0;
  EXPECT_GT(rec::read_formatted(rec::Internal(answer, 1), "(I1)", {digit}, rec::ERR), 0);
  answer[0] = '4';
  EXPECT_EQ(rec::read_formatted(rec::Internal(answer, 1), "(I1)", {digit}, rec::ERR), 0);
  EXPECT_EQ(digit, 4);
  // Reading into a constant is refused rather than writing through it.
  const int fixed = 5;
  EXPECT_GT(rec::read_formatted(rec::Internal(answer, 1), "(I1)", {fixed}, rec::ERR), 0);
}

TEST(TextRecordsRead, TextFields) {
  FString<4> a;
  FString<1> c;
  std::string line = "abcdef";
  rec::read_formatted(rec::Internal(line.data(), 6), "(A)", {a});
  EXPECT_EQ(a, "abcd");
  rec::read_formatted(rec::Internal(line.data(), 6), "(A6)", {a});
  EXPECT_EQ(a, "cdef");
  rec::read_formatted(rec::Internal(line.data(), 6), "(A2)", {a});
  EXPECT_EQ(a, "ab  ");
  rec::read_formatted(rec::Internal(line.data(), 2), "(A)", {a});
  EXPECT_EQ(a, "ab  ");
  rec::read_formatted(rec::Internal(line.data(), 0), "(A1)", {c});
  EXPECT_EQ(c, " ");

  // Texts longer than any field width, both ways.
  std::string big(3000, 'x'), into(2000, '?');
  big[1999] = 'y';
  EXPECT_EQ(rec::read_formatted(rec::Internal(big.data(), 3000), "(A)",
                                {rec::Item::chars(into.data(), 2000)}),
            0);
  EXPECT_EQ(into, big.substr(0, 2000));
  std::string tail(2000, '?');
  EXPECT_EQ(rec::read_formatted(rec::Internal(big.data(), 10), "(A)",
                                {rec::Item::chars(tail.data(), 2000)}),
            0);
  EXPECT_EQ(tail, std::string(10, 'x') + std::string(1990, ' '));
  char small[7];
  EXPECT_GT(rec::write_formatted(rec::Internal(small, 7), "(A)", {std::string_view(big)}, rec::ERR),
            0);
  EXPECT_EQ(std::string(small, 7), "xxxxxxx");
  // A negative length is no length.
  EXPECT_EQ(rec::write_formatted(rec::Internal(small, 7), "(A,A)",
                                 {rec::Item::chars(big.data(), -5), "ok"}),
            0);
  EXPECT_EQ(std::string(small, 7), "ok     ");
}

TEST(TextRecordsRead, FilesLineByLine) {
  ScratchFile f("read");
  f.put("  1  2\n  3\n\n 4.5 6\n 7.0");
  ASSERT_EQ(rec::open(9, f.path, rec::Status::OLD), 0);
  int a = 0, b = 0, c = 0;
  float x[3] = {0, 0, 0};
  // A statement starts on a new line and drops the rest of its last line.
  EXPECT_EQ(rec::read_formatted(9, "(I3)", {a}), 0);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(rec::read_formatted(9, "(2I3)", {b, c}), 0);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(c, 0);
  // Reversion and '/' both move to the next line.
  EXPECT_EQ(rec::read_formatted(9, "(F4.1)", {rec::Item::reals(x, 3)}), 0);
  EXPECT_EQ(x[0], 0.0f);
  EXPECT_EQ(x[1], 4.5f);
  EXPECT_EQ(x[2], 7.0f);  // the last line has no newline
  EXPECT_LT(rec::read_formatted(9, "(I3)", {a}, rec::END), 0);
  EXPECT_LT(rec::read_formatted(9, "(I3)", {a}, rec::END), 0);
  rec::close(9);
  // A data file with DOS line ends reads the same.
  f.put(" 12\r\n");
  ASSERT_EQ(rec::open(9, f.path, rec::Status::OLD), 0);
  EXPECT_EQ(rec::read_formatted(9, "(I3)", {a}, rec::ERR), 0);
  EXPECT_EQ(a, 12);
  rec::close(9);
}

}  // namespace

// ---------------------------------------------------------------------------
// Units and files.

namespace {

TEST(TextRecordsUnits, OpenStatusAccessAndRewind) {
  ScratchFile f("units");
  EXPECT_GT(rec::open(8, f.path, rec::Status::OLD, rec::Access::SEQUENTIAL, rec::ERR), 0);
  // UNKNOWN creates; closing without writing leaves the file as it is.
  ASSERT_EQ(rec::open(8, f.path, rec::Status::UNKNOWN), 0);
  rec::close(8);
  EXPECT_EQ(f.text(), "");
  f.put("old line one\nold line two\nold line three\n");
  ASSERT_EQ(rec::open(8, f.path, rec::Status::UNKNOWN), 0);
  rec::close(8);
  EXPECT_EQ(f.text(), "old line one\nold line two\nold line three\n");

  // APPEND writes after the last record.
  ASSERT_EQ(rec::open(8, f.path, rec::Status::UNKNOWN, rec::Access::APPEND), 0);
  rec::write_list(8, {"appended"});
  rec::close(8);
  EXPECT_EQ(f.text(), "old line one\nold line two\nold line three\n appended\n");

  // The log: rewound after opening, it holds only what this run wrote.
  FString<12> name;
  name = f.path.substr(f.path.size() - 12);
  ASSERT_EQ(rec::open(7, f.path + "   ", rec::Status::UNKNOWN), 0);
  rec::rewind(7);
  int n = 5;
  rec::write_formatted(7, "(I2)", {n});
  rec::close(7);
  EXPECT_EQ(f.text(), " 5\n");

  // Written, rewound and read back; the read after the last record is the end.
  ASSERT_EQ(rec::open(7, f.path, rec::Status::OLD), 0);
  rec::rewind(7);
  rec::write_formatted(7, "(I2,/,I2)", {1, 2});
  rec::rewind(7);
  int a = 0, b = 0;
  EXPECT_EQ(rec::read_formatted(7, "(I2,/,I2)", {a, b}), 0);
  EXPECT_EQ(a * 10 + b, 12);
  EXPECT_LT(rec::read_formatted(7, "(I2)", {a}, rec::END), 0);
  rec::close(7);
  EXPECT_EQ(f.text(), " 1\n 2\n");

  // Reading, then writing in the middle of a file ends the file there.
  f.put(" 1\n 2\n 3\n");
  ASSERT_EQ(rec::open(7, f.path, rec::Status::OLD), 0);
  rec::read_formatted(7, "(I2)", {a});
  rec::write_formatted(7, "(I2)", {9});
  rec::close(7);
  EXPECT_EQ(f.text(), " 1\n 9\n");
}

TEST(TextRecordsUnits, MisusedUnitsAreErrors) {
  ScratchFile f("misuse");
  int n = 1;
  EXPECT_GT(rec::write_formatted(100, "(I2)", {n}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(-1, "(I2)", {n}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(8, "(I2)", {n}, rec::ERR), 0);  // not connected
  EXPECT_GT(rec::read_formatted(8, "(I2)", {n}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(5, "(I2)", {n}, rec::ERR), 0);  // terminal input
  EXPECT_GT(rec::read_formatted(6, "(I2)", {n}, rec::ERR), 0);   // terminal output
  EXPECT_GT(rec::write_list(8, {n}, rec::ERR), 0);
  EXPECT_GT(rec::open(8, ".", rec::Status::UNKNOWN, rec::Access::SEQUENTIAL, rec::ERR), 0);
  EXPECT_GT(rec::open(8, "   ", rec::Status::UNKNOWN, rec::Access::SEQUENTIAL, rec::ERR), 0);
  EXPECT_GT(rec::open(8, "no/such/dir/x", rec::Status::UNKNOWN, rec::Access::SEQUENTIAL,
                      rec::ERR),
            0);
  // A read-only data file can be read but not written.
  f.put(" 7\n");
  chmod(f.path.c_str(), 0444);
  if (access(f.path.c_str(), W_OK) != 0) {  // not when the tests run as root
    ASSERT_EQ(rec::open(9, f.path, rec::Status::OLD), 0);
    EXPECT_EQ(rec::read_formatted(9, "(I2)", {n}), 0);
    EXPECT_EQ(n, 7);
    EXPECT_GT(rec::write_formatted(9, "(I2)", {n}, rec::ERR), 0);
    rec::close(9);
    EXPECT_EQ(f.text(), " 7\n");
  }
  EXPECT_EQ(rec::close(8), 0);  // closing a unit that is not connected is harmless
  EXPECT_EQ(rec::rewind(8), 0);
}

TEST(TextRecordsUnits, DollarLeavesTheRecordOpen) {
  ScratchFile f("dollar");
  ASSERT_EQ(rec::open(7, f.path, rec::Status::UNKNOWN), 0);
  int n = 3;
  rec::write_formatted(7, "(' A=',$)", {});
  rec::write_formatted(7, "(I2)", {n});
  rec::write_formatted(7, "(' B=',I2,1X,$)", {n});
  rec::write_list(7, {"next"});  // a list statement starts a new line
  rec::close(7);
  EXPECT_EQ(f.text(), " A= 3\n B= 3 \n next\n");
}

// ---------------------------------------------------------------------------
// Whole-process behaviour, in a child process.

struct Child {
  int status = -1;  // exit status, -1 when ended by a signal
  int signal = 0;
  std::string out, err;
};

// Runs body in a child with input on standard input; collects its output.
template <typename Body>
Child in_child(Body body, const std::string& input = "") {
  ScratchFile in("child_in"), out("child_out"), err("child_err");
  in.put(input);
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    std::freopen(in.path.c_str(), "r", stdin);
    std::freopen(out.path.c_str(), "w", stdout);
    std::freopen(err.path.c_str(), "w", stderr);
    body();
    std::exit(0);
  }
  int ws = 0;
  waitpid(pid, &ws, 0);
  Child c;
  if (WIFEXITED(ws)) c.status = WEXITSTATUS(ws);
  if (WIFSIGNALED(ws)) c.signal = WTERMSIG(ws);
  c.out = out.text();
  c.err = err.text();
  return c;
}

TEST(TextRecordsProcess, ProgramEndFlushesAndCutsEveryUnit) {
  ScratchFile log("log"), ps("ps");
  log.put("a much longer record from an earlier run\nand another one\n");
  Child c = in_child([&] {
    rec::open(7, log.path, rec::Status::UNKNOWN);
    rec::rewind(7);
    rec::write_formatted(7, "(' ITER=',I4)", {12});
    rec::open(25, ps.path, rec::Status::UNKNOWN, rec::Access::APPEND);
    rec::write_list(25, {"st showpage"});
    rec::write_formatted(6, "(' Continue ? ',$)", {});
    std::exit(0);  // no close: the program's end closes the units
  });
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(log.text(), " ITER=  12\n");
  EXPECT_EQ(ps.text(), " st showpage\n");
  EXPECT_EQ(c.out, " Continue ? ");

  c = in_child([] {
    rec::write_list(6, {"bye"});
    rec::stop(0);
  });
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.out, " bye\n");
  EXPECT_EQ(c.err, "");
}

TEST(TextRecordsProcess, TerminalAnswersAndEndOfInput) {
  Child c = in_child(
      [] {
        int v = 0;
        FString<1> yes;
        rec::write_formatted(6, "(' N = ',$)", {});
        rec::read_formatted(5, "(I2)", {v}, rec::ERR_END);
        rec::read_formatted(5, "(A1)", {yes}, rec::ERR_END);
        int st = rec::read_formatted(5, "(I2)", {v}, rec::ERR_END);
        rec::write_formatted(6, "(I3,1X,A,I3)", {v, yes, st < 0 ? 1 : 0});
      },
      "42\n\n");
  EXPECT_EQ(c.out, " N =  42    1\n");
}

// The prompt must be on the terminal while the program waits for the answer:
// the parent reads it before it sends any input.
TEST(TextRecordsProcess, PromptIsVisibleBeforeTheRead) {
  int to_child[2], from_child[2];
  ASSERT_EQ(pipe(to_child), 0);
  ASSERT_EQ(pipe(from_child), 0);
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(to_child[0], 0);
    dup2(from_child[1], 1);
    ::close(to_child[1]);
    ::close(from_child[0]);
    int v = 0;
    rec::write_formatted(6, "(' Enter maximum number of iterations (D =',I2,') ',$)", {20});
    rec::read_formatted(5, "(I2)", {v}, rec::ERR_END);
    rec::write_formatted(6, "(I3)", {v});
    rec::stop(0);
  }
  ::close(to_child[0]);
  ::close(from_child[1]);
  const std::string prompt = " Enter maximum number of iterations (D =20) ";
  std::string got;
  while (got.size() < prompt.size()) {
    pollfd p{from_child[0], POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) break;
    char buf[256];
    ssize_t n = read(from_child[0], buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, std::size_t(n));
  }
  EXPECT_EQ(got, prompt);
  ASSERT_EQ(write(to_child[1], "7\n", 2), 2);
  ::close(to_child[1]);
  char buf[256];
  ssize_t n;
  while ((n = read(from_child[0], buf, sizeof buf)) > 0) got.append(buf, std::size_t(n));
  ::close(from_child[0]);
  int ws = 0;
  waitpid(pid, &ws, 0);
  EXPECT_EQ(got, prompt + "  7\n");
  EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0);
}

struct FatalCase {
  const char* what;
  void (*body)();
  const char* message;  // the first two lines on standard error
};

TEST(TextRecordsProcess, UnhandledFailuresStopWithTheirState) {
  static std::string data;
  data = "records_fatal_" + std::to_string(getpid()) + ".dat";
  std::remove(data.c_str());
  const FatalCase cases[] = {
      {"missing OLD file", [] { rec::open(9, data, rec::Status::OLD); },
       "open: can't find 'old' file\napparent state: unit 9 named records_fatal_"},
      {"end of file",
       [] {
         rec::open(9, data, rec::Status::UNKNOWN);
         int n;
         rec::read_formatted(9, "(I3)", {n});
       },
       "read start: end of file\napparent state: unit 9 named "},
      {"bad number on the terminal",
       [] {
         int n;
         rec::read_formatted(5, "(I3)", {n}, rec::END);
       },
       "read start: invalid number\napparent state: unit 5 (unnamed)\n"},
      {"label too short",
       [] {
         char label[3];
         rec::write_formatted(rec::Internal(label, 3), "(F7.2)", {1.0f});
       },
       "write start: off end of record\napparent state: internal I/O\n"},
      {"illegal unit", [] { rec::write_list(123, {"x"}); },
       "startio: illegal unit number\napparent state: unit 123 (unnamed)\n"},
  };
  for (const FatalCase& f : cases) {
    Child c = in_child(f.body, "abc\n");
    EXPECT_EQ(c.signal, SIGABRT) << f.what;
    EXPECT_EQ(c.err.substr(0, std::strlen(f.message)), f.message) << f.what;
    EXPECT_NE(c.err.find("\nlast format: "), std::string::npos) << f.what;
    EXPECT_NE(c.err.find("\nlately "), std::string::npos) << f.what;
  }
  // A failed read names the line it was on and shows it.
  Child c = in_child(cases[2].body, "abc\n");
  EXPECT_NE(c.err.find("\nline 1: \"abc\"\n"), std::string::npos) << c.err;
  std::remove(data.c_str());
}

}  // namespace
