// Formatted text records: exact records written and values read under the
// program's formats, units and files, and the whole-process behaviour.
#include "driver/text_records.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
  }
  void put(const std::string& t) const { std::ofstream(path, std::ios::binary) << t; }
};

// Writes one statement to a fresh file on unit 7; returns the whole file.
std::string written(std::string_view format, rec::Items items) {
  ScratchFile f("write");
  EXPECT_EQ(rec::open(7, f.path, rec::Status::UNKNOWN), 0);
  EXPECT_EQ(rec::write_formatted(7, format, items, rec::ERR), 0) << format;
  rec::close(7);
  return f.text();
}

// Writes one statement into a 7-character internal record.
std::string label(std::string_view format, rec::Items items, int& status) {
  char buf[7];
  status = rec::write_formatted(rec::Internal(buf, 7), format, items, rec::ERR);
  return std::string(buf, 7);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

TEST(TextRecordsWrite, RealFieldsAreColumnExact) {
  const struct {
    const char* format;
    float value;
    const char* record;
  } cases[] = {
      {"(E11.3)", 1.5f, "  0.150E+01\n"},  {"(E10.3)", 1.5f, " 0.150E+01\n"},
      {"(E9.3)", -1.5f, "-.150E+01\n"},    {"(E8.3)", -1.5f, "********\n"},
      {"(E10.3)", -0.0f, " 0.000E+00\n"},  {"(E10.3)", 9.9996f, " 0.100E+02\n"},
      {"(1P,E9.2)", 1.5f, " 1.50E+00\n"},  {"(1P,E8.2)", 12345.0f, "1.23E+04\n"},
      {"(1PE9.2)", -1.25e-4f, "-1.25E-04\n"}, {"(F10.3)", 0.5f, "     0.500\n"},
      {"(F4.1)", -0.04f, " 0.0\n"},        {"(F5.2)", 0.125f, " 0.12\n"},  // tie: to even
      {"(F5.2)", -0.004f, " 0.00\n"},      {"(F4.3)", 0.5f, ".500\n"},     // one column short
      {"(F5.3)", -0.5f, "-.500\n"},        {"(F5.0)", 2.5f, "   2.\n"},
      {"(F7.2)", 9999.995f, "*******\n"},  {"(F6.1)", kNaN, "   NaN\n"},
      {"(F6.1)", -kInf, "  -Inf\n"},       {"(F3.1)", -kInf, "***\n"},
      {"(1P,E9.2)", kInf, "      Inf\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(written(c.format, {c.value}), c.record) << c.format << " " << c.value;
}

TEST(TextRecordsWrite, IntegersTextAndLiterals) {
  int n = 123, m = -7;
  FString<5> word;
  word = "ab";
  EXPECT_EQ(written("(I2,I4,I1)", {n, m, m}), "**  -7*\n");
  EXPECT_EQ(written("(A,A2,A7)", {word, word, word}), "ab   ab  ab   \n");
  EXPECT_EQ(written("(1X,A,3X)", {"x"}), " x\n");  // a trailing nX writes nothing
  EXPECT_EQ(written("('it''s',2H h,I2)", {m}), "it's h-7\n");
  EXPECT_EQ(written("('+Number of contour lines: 3 to 25')", {}),
            "+Number of contour lines: 3 to 25\n");
  EXPECT_EQ(written("(14(',',I2))", {n, m}), ",**,-7,\n");
}

TEST(TextRecordsWrite, RecordsRevertAndStop) {
  float v[51];
  std::fill(std::begin(v), std::end(v), 1.5f);
  std::string line7, expect;
  for (int i = 0; i < 7; ++i) line7 += "  0.150E+01";
  for (int i = 0; i < 7; ++i) expect += line7 + "\n";
  EXPECT_EQ(written("(7(7E11.3,/),2E11.3)", {rec::Item::reals(v, 51)}),
            expect + "  0.150E+01  0.150E+01\n");

  float s[12];
  for (int i = 0; i < 12; ++i) s[i] = float(i + 1);
  EXPECT_EQ(written("(1X,'SCEN: ',1P,10E9.2)", {rec::Item::reals(s, 12)}),
            " SCEN:  1.00E+00 2.00E+00 3.00E+00 4.00E+00 5.00E+00 6.00E+00 7.00E+00"
            " 8.00E+00 9.00E+00 1.00E+01\n SCEN:  1.10E+01 1.20E+01\n");

  int icon = 3;
  float qavd = 0.0123f, t = 1.5f;
  EXPECT_EQ(written("(' ICON  = ',I5,5X,'QAVD = ',E10.3,5X,'Time = ',F10.3,/)", {icon, qavd, t}),
            " ICON  =     3     QAVD =  0.123E-01     Time =      1.500\n\n");
  // Items run out: what stands before the next data descriptor is still written.
  EXPECT_EQ(written("(' A=',I2,' B=',I2,' C')", {icon}), " A= 3 B=\n");
  EXPECT_EQ(written("(I2,/,' next')", {icon}), " 3\n next\n");
  EXPECT_EQ(written("(' Q=',I2,' R=',I2,$)", {icon}), " Q= 3 R=");
}

TEST(TextRecordsWrite, InternalRecordsAreBounded) {
  float x = 1.25f;
  int one = 1, st = 0;
  const struct {
    const char* format;
    rec::Items items;
    const char* record;
    bool fits;
  } cases[] = {
      {"(F7.2)", {x}, "   1.25", true},         {"(A)", {"abc"}, "abc    ", true},
      {"(A,A)", {"abcd", "efg"}, "abcdefg", true}, {"(F9.2)", {x}, "     1.", false},
      {"(I2,/,I2)", {one, one}, " 1     ", false}, {"(5X,A)", {"abc"}, "     ab", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(label(c.format, c.items, st), c.record) << c.format;
    EXPECT_EQ(st == 0, c.fits) << c.format;
  }
  EXPECT_EQ(label("(A)", {"twelve chars"}, st), "twelve ");
  EXPECT_GT(st, 0);

  // Texts longer than any field width, both ways; a negative length is none.
  std::string big(3000, 'x'), into(2000, '?');
  EXPECT_EQ(rec::read_formatted(rec::Internal(big.data(), 10), "(A)",
                                {rec::Item::chars(into.data(), 2000)}),
            0);
  EXPECT_EQ(into, std::string(10, 'x') + std::string(1990, ' '));
  EXPECT_EQ(label("(A,A)", {rec::Item::chars(big.data(), -5), "ok"}, st), "ok     ");
}

// Random formats and items never write outside an internal record; random
// text read under them fails, if at all, with a status (the sanitizer build
// catches any read outside the record or the items).
TEST(TextRecordsWrite, NoFormatGoesOutsideTheRecord) {
  const char* pieces[] = {"I3", "I1", "F7.2", "F1.0", "E11.3", "E5.1", "1P", "0P", "A",
                          "A2", "A30", "5X", "'lit'", "3Hab,", "/", "2(I2,A1)", "$", "F999.99"};
  std::mt19937 rng(7);
  int ints[4] = {7, -123456, 0, 2147483647};
  float reals[4] = {1.5f, -0.04f, 3.0e38f, kNaN};
  FString<9> text;
  text = "some text";
  for (int round = 0; round < 3000; ++round) {
    std::string f = "(";
    for (int i = 0, n = 1 + int(rng() % 5); i < n; ++i)
      f += std::string(i ? "," : "") + pieces[rng() % std::size(pieces)];
    f += ")";
    const rec::Item items[] = {rec::Item::ints(ints, int(rng() % 5)),
                               rec::Item::reals(reals, int(rng() % 5)), rec::Item(text)};
    int len = int(rng() % 12);
    char buf[32];
    std::memset(buf, 'G', sizeof buf);
    rec::write_formatted(rec::Internal(buf + 8, len), f, {items[rng() % 3], items[rng() % 3]},
                         rec::ERR);
    ASSERT_EQ(std::string(buf, 8), "GGGGGGGG") << f;
    ASSERT_EQ(std::string(buf + 8 + len, 24 - len), std::string(24 - len, 'G')) << f;
    int iv[3];
    float rv[3];
    FString<4> tv;
    char line[12];
    for (char& ch : line) ch = " 0123456789.+-EeXA"[rng() % 18];
    rec::read_formatted(rec::Internal(line, len), f,
                        {rec::Item::ints(iv, 3), rec::Item::reals(rv, 3), rec::Item(tv)},
                        rec::ERR_END);
  }
}

TEST(TextRecordsWrite, BadFormatsAndItemsAreErrors) {
  int n = 1;
  float x = 1;
  const char* bad[] = {"I5",      "(I5",    "(I5))",  "(Q5)",  "(F5)", "(I0)", "(E9.x)",
                       "('open)", "(0I2)",  "(-2I3)", "(9(9(9(9(9(9(9(9(9(I1))))))))))",
                       "(100000(100000(1X)))", "('none')"};  // the last: an item but no data descriptor
  char buf[10];
  for (const char* f : bad)
    EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), f, {n}, rec::ERR), 0) << f;
  EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), "(I5,F5.1)", {x, n}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), "(F5.1)", {n}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), "(A)", {n}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(rec::Internal(buf, 10), "(E9.0)", {x}, rec::ERR), 0);
}

TEST(TextRecordsList, FreeLayout) {
  ScratchFile f("list");
  ASSERT_EQ(rec::open(7, f.path, rec::Status::UNKNOWN), 0);
  float r[] = {1.5f, -2.0f, 0.0f, 1e10f, 0.1f, 123456789.0f};
  float many[8];
  std::fill(std::begin(many), std::end(many), -1.25e-5f);
  rec::write_list(7, {"/m {moveto} def"});
  rec::write_list(7, {"a", "b", 42});
  rec::write_list(7, {rec::Item::reals(r, 6)});
  rec::write_list(7, {"v", rec::Item::reals(many, 8)});
  rec::close(7);
  const std::string e = " -1.24999997E-05";
  EXPECT_EQ(f.text(), " /m {moveto} def\n ab 42\n  1.5 -2.  0.  1.E+10  0.100000001  123456792.\n"
                      " v" + e + e + e + e + "\n" + e + e + e + e + "\n");
}

// ---------------------------------------------------------------------------

TEST(TextRecordsRead, NumbersFromInternalRecords) {
  const struct {
    const char* format;
    const char* line;
    double value;  // NaN: the field is an error
  } cases[] = {
      {"(I2)", "", 0},           {"(I2)", " 7", 7},         {"(I2)", "7 ", 7},
      {"(I2)", "123", 12},       {"(I5)", " - 4 ", -4},     {"(2X,I2)", "9942", 42},
      {"(I11)", "-2147483648", -2147483648.0},              {"(I1)", "P", NAN},
      {"(I3)", "1.5", NAN},      {"(I3)", "--1", NAN},      {"(I3)", "+", NAN},
      {"(I11)", "99999999999", NAN},
      {"(F6.3)", "1.5", 1.5},    {"(F6.3)", "15", 0.015f},  {"(F6.3)", "", 0},
      {"(F10.3)", " 1.5E+02", 150}, {"(F10.3)", "1.5-2", 0.015f}, {"(F10.3)", "25e1", 0.25f},
      {"(F4.1)", "1 5", 1.5},    {"(F6.0)", "3", 3},        {"(F9.1)", "0.1", 0.1f},
      {"(F9.1)", "1d3", 100},    {"(E11.3)", "  0.150E+01", 1.5},
      {"(F9.2)", "1.5x", NAN},   {"(F9.2)", "1.2.3", NAN},  {"(F9.2)", "E5", NAN},
      {"(F9.2)", ".", NAN},      {"(F9.2)", "1e99", NAN},   {"(F9.2)", "1,5", NAN},
  };
  for (const auto& c : cases) {
    std::string line = c.line;
    rec::Internal r(line.data(), int(line.size()));
    int i = -99;
    float x = -99;
    bool is_int = c.format[std::strcspn(c.format, "IF")] == 'I';
    int st = is_int ? rec::read_formatted(r, c.format, {i}, rec::ERR)
                    : rec::read_formatted(r, c.format, {x}, rec::ERR);
    if (std::isnan(c.value)) {
      EXPECT_GT(st, 0) << c.format << " '" << c.line << "'";
    } else {
      EXPECT_EQ(st, 0) << c.format << " '" << c.line << "'";
      EXPECT_EQ(is_int ? double(i) : double(x), c.value) << c.format << " '" << c.line << "'";
    }
  }
  // Reading into a constant is refused rather than writing through it.
  char four[1] = {'4'};
  EXPECT_GT(rec::read_formatted(rec::Internal(four, 1), "(I1)", {5}, rec::ERR), 0);
}

TEST(TextRecordsRead, TextFields) {
  FString<4> a;
  FString<1> c;
  std::string line = "abcdef";
  const struct {
    const char* format;
    int len;
    const char* value;
  } cases[] = {{"(A)", 6, "abcd"}, {"(A6)", 6, "cdef"}, {"(A2)", 6, "ab  "}, {"(A)", 2, "ab  "}};
  for (const auto& k : cases) {
    rec::read_formatted(rec::Internal(line.data(), k.len), k.format, {a});
    EXPECT_EQ(a, k.value) << k.format;
  }
  rec::read_formatted(rec::Internal(line.data(), 0), "(A1)", {c});
  EXPECT_EQ(c, " ");
}

TEST(TextRecordsRead, FilesLineByLine) {
  ScratchFile f("read");
  f.put("  1  2\n  3\n\n 4.5 6\r\n 7.0");
  ASSERT_EQ(rec::open(9, f.path, rec::Status::OLD), 0);
  int a = 0, b = 0, c = 0;
  float x[3] = {0, 0, 0};
  // A statement starts on a new line and drops the rest of its last line.
  EXPECT_EQ(rec::read_formatted(9, "(I3)", {a}), 0);
  EXPECT_EQ(rec::read_formatted(9, "(2I3)", {b, c}), 0);
  EXPECT_EQ(a * 100 + b * 10 + c, 130);
  // Reversion moves to the next line; a DOS line end and a missing last
  // newline read like any other.
  EXPECT_EQ(rec::read_formatted(9, "(F4.1)", {rec::Item::reals(x, 3)}), 0);
  EXPECT_EQ(x[0] + x[1] * 10 + x[2] * 100, 745.0f);
  EXPECT_LT(rec::read_formatted(9, "(I3)", {a}, rec::END), 0);
  EXPECT_LT(rec::read_formatted(9, "(I3)", {a}, rec::END), 0);
  rec::close(9);
}

// ---------------------------------------------------------------------------
// Units and files.

TEST(TextRecordsUnits, OpenAppendRewindAndCut) {
  ScratchFile f("units");
  EXPECT_GT(rec::open(8, f.path, rec::Status::OLD, rec::Access::SEQUENTIAL, rec::ERR), 0);
  const std::string old = "old line one\nold line two\n";
  f.put(old);
  ASSERT_EQ(rec::open(8, f.path + "   ", rec::Status::UNKNOWN), 0);  // trailing blanks dropped
  rec::close(8);
  EXPECT_EQ(f.text(), old);  // opened and closed without writing: untouched

  ASSERT_EQ(rec::open(8, f.path, rec::Status::UNKNOWN, rec::Access::APPEND), 0);
  rec::write_list(8, {"appended"});
  rec::close(8);
  EXPECT_EQ(f.text(), old + " appended\n");

  // The log: rewound after opening, it holds only what this run wrote.
  ASSERT_EQ(rec::open(7, f.path, rec::Status::UNKNOWN), 0);
  rec::rewind(7);
  rec::write_formatted(7, "(I2,/,I2)", {1, 2});
  rec::rewind(7);
  int a = 0, b = 0;
  EXPECT_EQ(rec::read_formatted(7, "(I2,/,I2)", {a, b}), 0);
  EXPECT_EQ(a * 10 + b, 12);
  EXPECT_LT(rec::read_formatted(7, "(I2)", {a}, rec::END), 0);
  rec::close(7);
  EXPECT_EQ(f.text(), " 1\n 2\n");

  // Writing after a read ends the file at that point.
  ASSERT_EQ(rec::open(7, f.path, rec::Status::OLD), 0);
  rec::read_formatted(7, "(I2)", {a});
  rec::write_formatted(7, "(I2)", {9});
  rec::close(7);
  EXPECT_EQ(f.text(), " 1\n 9\n");

  // '$' leaves the record open for the next statement; a list statement
  // starts a new line.
  ASSERT_EQ(rec::open(7, f.path, rec::Status::UNKNOWN), 0);
  rec::rewind(7);
  rec::write_formatted(7, "(' A=',$)", {});
  rec::write_formatted(7, "(I2,1X,$)", {3});
  rec::write_list(7, {"next"});
  // A failed statement ends its partial record.
  EXPECT_GT(rec::write_formatted(7, "('ab',I2)", {1.5f}, rec::ERR), 0);
  rec::write_formatted(7, "('cd')", {});
  rec::close(7);
  EXPECT_EQ(f.text(), " A= 3 \n next\nab\ncd\n");
}

TEST(TextRecordsUnits, MisusedUnitsAreErrors) {
  ScratchFile f("misuse");
  int n = 1;
  for (int unit : {100, -1, 8})  // 8: not connected
    EXPECT_GT(rec::write_formatted(unit, "(I2)", {n}, rec::ERR), 0) << unit;
  EXPECT_GT(rec::read_formatted(8, "(I2)", {n}, rec::ERR), 0);
  EXPECT_GT(rec::write_formatted(5, "(I2)", {n}, rec::ERR), 0);  // terminal input
  EXPECT_GT(rec::read_formatted(6, "(I2)", {n}, rec::ERR), 0);   // terminal output
  for (const char* name : {".", "   ", "no/such/dir/x"})
    EXPECT_GT(rec::open(8, name, rec::Status::UNKNOWN, rec::Access::SEQUENTIAL, rec::ERR), 0);
  // A read-only data file can be read but not written.
  f.put(" 7\n");
  chmod(f.path.c_str(), 0444);
  if (access(f.path.c_str(), W_OK) != 0) {  // not when the tests run as root
    ASSERT_EQ(rec::open(9, f.path, rec::Status::OLD), 0);
    EXPECT_EQ(rec::read_formatted(9, "(I2)", {n}), 0);
    EXPECT_GT(rec::write_formatted(9, "(I2)", {n}, rec::ERR), 0);
    rec::close(9);
    EXPECT_EQ(f.text(), " 7\n");
  }
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

  c = in_child([] { rec::stop(0); });
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.err, "");
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
    int st = rec::read_formatted(5, "(I2)", {v}, rec::ERR_END);
    int end = rec::read_formatted(5, "(I2)", {v}, rec::ERR_END);
    rec::write_formatted(6, "(3I3)", {v, st, end < 0 ? -1 : end});
    rec::stop(0);
  }
  ::close(to_child[0]);
  ::close(from_child[1]);
  const std::string prompt = " Enter maximum number of iterations (D =20) ";
  std::string got;
  char buf[256];
  pollfd p{from_child[0], POLLIN, 0};
  while (got.size() < prompt.size() && poll(&p, 1, 10000) > 0) {
    ssize_t n = read(from_child[0], buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, std::size_t(n));
  }
  EXPECT_EQ(got, prompt);
  ASSERT_EQ(write(to_child[1], "7\n", 2), 2);
  ::close(to_child[1]);  // then the end of input
  for (ssize_t n; (n = read(from_child[0], buf, sizeof buf)) > 0;) got.append(buf, std::size_t(n));
  ::close(from_child[0]);
  int ws = 0;
  waitpid(pid, &ws, 0);
  EXPECT_EQ(got, prompt + "  7  0 -1\n");
  EXPECT_TRUE(WIFEXITED(ws) && WEXITSTATUS(ws) == 0);
}

TEST(TextRecordsProcess, UnhandledFailuresStopWithTheirState) {
  static std::string data;
  data = "records_fatal_" + std::to_string(getpid()) + ".dat";
  std::remove(data.c_str());
  const struct {
    void (*body)();
    const char* message;  // the start of standard error
  } cases[] = {
      {[] { rec::open(9, data, rec::Status::OLD); },
       "open: can't find 'old' file\napparent state: unit 9 named records_fatal_"},
      {[] {
         int n;
         rec::read_formatted(5, "(I3)", {n}, rec::END);
       },
       "read start: invalid number\napparent state: unit 5 (unnamed)\n"
       "last format: (I3)\nlately reading sequential formatted external IO\nline 1: \"abc\"\n"},
      {[] {
         char label[3];
         rec::write_formatted(rec::Internal(label, 3), "(F7.2)", {1.0f});
       },
       "write start: off end of record\napparent state: internal I/O\n"},
      {[] { rec::write_list(123, {"x"}); },
       "startio: illegal unit number\napparent state: unit 123 (unnamed)\n"},
  };
  for (const auto& f : cases) {
    Child c = in_child(f.body, "abc\n");
    EXPECT_EQ(c.signal, SIGABRT) << f.message;
    EXPECT_EQ(c.err.substr(0, std::strlen(f.message)), f.message);
    EXPECT_NE(c.err.find("\nlately "), std::string::npos) << c.err;
  }
  Child c = in_child([] {
    rec::open(9, data, rec::Status::UNKNOWN);
    int n;
    rec::read_formatted(9, "(I3)", {n});
  });
  EXPECT_EQ(c.err.substr(0, 24), "read start: end of file\n");
  std::remove(data.c_str());
}

}  // namespace
