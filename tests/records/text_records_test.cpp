// Formatted text records: exact records written and values read under the
// program's formats, units and files, and the whole-process behaviour.
#include "records/text_records.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

using namespace kalo_test;

// Every file of these tests is in a fresh folder.
const TempDir& dir = enter_temp_dir();

// Writes one statement to a fresh file on unit 7; returns the whole file.
std::string written(std::string_view format, rec::Items items) {
  std::remove("w.txt");
  EXPECT_EQ(rec::open(7, "w.txt", rec::Status::UNKNOWN), 0);
  EXPECT_EQ(rec::write_formatted(7, format, items, rec::ERR), 0) << format;
  rec::close(7);
  return read_file("w.txt");
}

std::string times(int n, const std::string& s) { return n > 0 ? s + times(n - 1, s) : ""; }

const float kNaN = NAN, kInf = INFINITY;

TEST(TextRecordsWrite, RealFieldsAreColumnExact) {
  const struct { const char* format; float value; const char* record; } cases[] = {
      {"(E11.3)", 1.5f, "  0.150E+01\n"},  {"(E9.3)", -1.5f, "-.150E+01\n"},
      {"(E8.3)", -1.5f, "********\n"},     {"(E10.3)", -0.0f, " 0.000E+00\n"},
      {"(E10.3)", 9.9996f, " 0.100E+02\n"}, {"(1P,E9.2)", 1.5f, " 1.50E+00\n"},
      {"(F4.3)", 0.5f, ".500\n"},          {"(E8.3)", 1.5f, ".150E+01\n"},  // zero dropped
      {"(1P,E8.2)", 12345.0f, "1.23E+04\n"}, {"(1PE9.2)", -1.25e-4f, "-1.25E-04\n"},
      {"(F10.3)", 0.5f, "     0.500\n"},   {"(F4.1)", -0.04f, " 0.0\n"},
      {"(F5.2)", 0.125f, " 0.12\n"},       {"(F5.0)", 2.5f, "   2.\n"},  // ties: to even
      {"(F5.3)", -0.5f, "-.500\n"},        {"(F7.2)", 9999.995f, "*******\n"},
      {"(F6.1)", kNaN, "   NaN\n"},        {"(F6.1)", -kInf, "  -Inf\n"},
      {"(F3.1)", -kInf, "***\n"},          {"(1P,E9.2)", kInf, "      Inf\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(written(c.format, {c.value}), c.record) << c.format << " " << c.value;
  // A scale factor adds digits before the point: all of them are written.
  EXPECT_EQ(written("(22P,F161.99)", {0x1p127f}), "170141183460469231731687303715884105728" +
                                                      times(22, "0") + "." + times(99, "0") + "\n");
}

TEST(TextRecordsWrite, RecordsRevertAndStop) {
  int n = 123, m = -7, icon = 3;
  float qavd = 0.0123f, t = 1.5f, v[51], s[12];
  for (float& x : v) x = 1.5f;
  for (int i = 0; i < 12; ++i) s[i] = float(i + 1);
  const struct { const char* format; rec::Items items; std::string record; } cases[] = {
      {"(I2,I4,I1)", {n, m, m}, "**  -7*\n"},
      {"(A,A2,A7)", {"ab", "abcd", "ab"}, "abab     ab\n"},
      {"(1X,A,3X)", {"x"}, " x\n"},  // a trailing nX writes nothing
      {"('it''s',2H h,I2)", {m}, "it's h-7\n"},
      {"('+Number of contour lines')", {}, "+Number of contour lines\n"},
      {"(14(',',I2))", {n, m}, ",**,-7,\n"},
      {"(7(7E11.3,/),2E11.3)", {rec::Item::reals(v, 51)},
       times(7, times(7, "  0.150E+01") + "\n") + "  0.150E+01  0.150E+01\n"},
      {"(1X,'SCEN: ',1P,10E9.2)", {rec::Item::reals(s, 12)},
       " SCEN:  1.00E+00 2.00E+00 3.00E+00 4.00E+00 5.00E+00 6.00E+00 7.00E+00"
       " 8.00E+00 9.00E+00 1.00E+01\n SCEN:  1.10E+01 1.20E+01\n"},
      {"(' ICON  = ',I5,5X,'QAVD = ',E10.3,5X,'Time = ',F10.3,/)", {icon, qavd, t},
       " ICON  =     3     QAVD =  0.123E-01     Time =      1.500\n\n"},
      // Items run out: what stands before the next data descriptor is still written.
      {"(' A=',I2,' B=',I2,' C')", {icon}, " A= 3 B=\n"},
      {"(I2,/,' next')", {icon}, " 3\n next\n"},
      {"(' Q=',I2,' R=',I2,$)", {icon}, " Q= 3 R="},
  };
  for (const auto& c : cases) EXPECT_EQ(written(c.format, c.items), c.record) << c.format;
}

// Statements into a 7-character record: what does not fit, a bad format or
// items the format cannot take are a positive status, never a write past it.
TEST(TextRecordsWrite, InternalRecordsAreBoundedAndChecked) {
  float x = 1.25f;
  int n = 1;
  std::string big(3000, 'x'), into(2000, '?');
  const struct {  // record: what the record holds after the statement
    const char* format; rec::Items items; const char* record = nullptr; bool ok = false;
  } cases[] = {
      {"(F7.2)", {x}, "   1.25", true},        {"(A)", {"abc"}, "abc    ", true},
      {"(A,A)", {"abcd", "efg"}, "abcdefg", true}, {"(F9.2)", {x}, "     1.", false},
      {"(I2,/,I2)", {n, n}, " 1     ", false},  {"(5X,A)", {"abc"}, "     ab", false},
      {"(A)", {"twelve chars"}, "twelve ", false}, {"(A)", {std::string_view(big)}, "xxxxxxx"},
      {"(A,A)", {rec::Item::chars(big.data(), -5), "ok"}, "ok     ", true},  // no length
      {"(I5", {n}}, {"(Q5)", {n}}, {"(F5)", {n}}, {"(I0)", {n}}, {"('open)", {n}}, {"(-2I3)", {n}},
      {"(1(1(1(1(1(1(1(I1))))))))", {n}, "1      ", true},  // the deepest nesting
      {"(9(9(9(9(9(9(9(9(9(I1))))))))))", {n}}, {"(100000(100000(1X)))", {n}},
      {"('none')", {n}},  // an item but no data descriptor
      {"(I5,F5.1)", {x, n}}, {"(A)", {n}}, {"(E9.0)", {x}},
  };
  for (const auto& c : cases) {
    char buf[9] = "GGGGGGGG";
    int st = rec::write_formatted(rec::Internal(buf, 7), c.format, c.items, rec::ERR);
    EXPECT_EQ(buf[7], 'G') << c.format;
    EXPECT_TRUE(!c.record || std::string(buf, 7) == c.record) << c.format << " '" << buf << "'";
    EXPECT_TRUE(c.ok ? st == 0 : st > 0) << c.format << " status " << st;
  }
  // A text longer than any field width read from a short record.
  rec::Item long_text = rec::Item::chars(into.data(), 2000);
  EXPECT_EQ(rec::read_formatted(rec::Internal(big.data(), 10), "(A)", {long_text}), 0);
  EXPECT_EQ(into, std::string(10, 'x') + std::string(1990, ' '));
}

// ---------------------------------------------------------------------------

// One number read from an internal record: 'I' into an integer, 'F' or 'E'
// into a real.
TEST(TextRecordsRead, NumbersFromInternalRecords) {
  const double kErr = NAN;  // the field is an error
  const struct { const char* format, *line; double value; } cases[] = {
      {"(I2)", "", 0},           {"(I2)", "7 ", 7},         {"(I2)", "123", 12},
      {"(I5)", " - 4 ", -4},     {"(2X,I2)", "9942", 42},   {"(I1)", "P", kErr},
      {"(I11)", "-2147483648", -2147483648.0},              {"(I11)", "99999999999", kErr},
      {"(I1)", "-", 0},          {"(I3)", " + ", 0},
      {"(I3)", "1.5", kErr},     {"(I3)", "--1", kErr},     {"(F6.3)", "1.5", 1.5},
      {"(F6.3)", "15", 0.015f},  {"(F6.3)", "", 0},         {"(F10.3)", " 1.5E+02", 150},
      {"(F10.3)", "1.5-2", 0.015f}, {"(F10.3)", "25e1", 0.25f}, {"(F4.1)", "1 5", 1.5},
      {"(F9.1)", "0.1", 0.1f},   {"(F9.1)", "1d3", 100},    {"(E11.3)", "  0.150E+01", 1.5},
      {"(F9.2)", "1.2.3", kErr}, {"(F9.2)", "E5", kErr},    {"(F9.2)", "1e99", kErr},
  };
  for (const auto& c : cases) {
    std::string line = c.line, what = std::string(c.format) + " '" + c.line + "'";
    int i = -99;
    float x = -99;
    bool is_int = c.format[std::strcspn(c.format, "IFE")] == 'I';
    int st = rec::read_formatted(rec::Internal(line.data(), int(line.size())), c.format,
                                 {is_int ? rec::Item(i) : rec::Item(x)}, rec::ERR);
    EXPECT_EQ(st > 0, std::isnan(c.value)) << what;
    const double got = is_int ? double(i) : double(x);
    EXPECT_TRUE(st != 0 || got == c.value) << what << " gave " << got;
  }
  // Reading into a constant is refused rather than writing through it.
  char four[1] = {'4'};
  EXPECT_GT(rec::read_formatted(rec::Internal(four, 1), "(I1)", {5}, rec::ERR), 0);
}

// ---------------------------------------------------------------------------
// Files.

TEST(TextRecordsFiles, ReadAppendAndCut) {
  // A statement starts on a new line and drops the rest of its last line; a
  // blank line, a DOS line end and a missing last newline read like any other.
  const std::string f = "file.txt", data = "  1  2\n\n  3\r\n 4.5";
  EXPECT_GT(rec::open(9, "missing.txt", rec::Status::OLD, rec::Access::SEQUENTIAL, rec::ERR), 0);
  write_file(f, data);
  ASSERT_EQ(rec::open(9, f + "   ", rec::Status::UNKNOWN), 0);  // trailing blanks dropped
  int a = -1, b = -1, c = -1;
  float x = 0;
  EXPECT_EQ(rec::read_formatted(9, "(I3)", {a}), 0);
  EXPECT_EQ(rec::read_formatted(9, "(I3,/,I3)", {b, c}), 0);
  EXPECT_EQ(rec::read_formatted(9, "(F4.1)", {x}), 0);
  EXPECT_EQ(a * 100 + b * 10 + c + x, 103 + 4.5f);  // 1; 0 (the blank line), 3; 4.5
  EXPECT_LT(rec::read_formatted(9, "(I3)", {a}, rec::END), 0);  // and the end stays the end
  EXPECT_LT(rec::read_formatted(9, "(I3)", {a}, rec::END), 0);
  rec::close(9);
  EXPECT_EQ(read_file(f), data);  // read and closed without writing: untouched

  write_file(f, " 1\n 2\n");
  ASSERT_EQ(rec::open(8, f, rec::Status::UNKNOWN, rec::Access::APPEND), 0);
  rec::write_list(8, {"appended"});
  rec::close(8);
  EXPECT_EQ(read_file(f), " 1\n 2\n appended\n");
  // Writing after a read ends the file at that point.
  ASSERT_EQ(rec::open(7, f, rec::Status::OLD), 0);
  rec::read_formatted(7, "(I2)", {a});
  rec::write_formatted(7, "(I2)", {9});
  rec::close(7);
  EXPECT_EQ(read_file(f), " 1\n 9\n");

  // '$' leaves the record open for the next statement; a list statement
  // starts a new line; a failed statement ends its partial record.
  ASSERT_EQ(rec::open(7, f, rec::Status::UNKNOWN), 0);
  rec::rewind(7);
  rec::write_formatted(7, "(' A=',$)", {});
  rec::write_formatted(7, "(I2,1X,$)", {3});
  rec::write_list(7, {"next"});
  EXPECT_GT(rec::write_formatted(7, "('ab',I2)", {1.5f}, rec::ERR), 0);
  rec::write_formatted(7, "('cd')", {});
  // Each statement is on disk at once: an interrupted run keeps its log.
  EXPECT_EQ(read_file(f), " A= 3 \n next\nab\ncd\n");
  rec::close(7);
  EXPECT_EQ(read_file(f), " A= 3 \n next\nab\ncd\n");
}

// ---------------------------------------------------------------------------
// Whole-process behaviour, in a child process.

// The prompt must be on the terminal while the program waits for the answer:
// the test reads it before it sends any input, then ends the input.  When the
// program ends, every unit is flushed, cut and closed without a close.
TEST(TextRecordsProcess, PromptBeforeTheReadAndUnitsClosedAtTheEnd) {
  write_file("log.txt", "a much longer record from an earlier run\nand another one\n");
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(sv[1], 0);
    dup2(sv[1], 1);
    rec::open(7, "log.txt", rec::Status::UNKNOWN);
    rec::rewind(7);
    rec::write_formatted(7, "(' ITER=',I4)", {12});
    int v = 0;
    rec::write_formatted(6, "(' Enter maximum number of iterations (D =',I2,') ',$)", {20});
    int st = rec::read_formatted(5, "(I2)", {v}, rec::ERR_END);
    int end = rec::read_formatted(5, "(I2)", {v}, rec::ERR_END);
    rec::write_formatted(6, "(3I3,$)", {v, st, end < 0 ? -1 : end});
    std::exit(0);
  }
  ::close(sv[1]);
  timeval limit{10, 0};
  setsockopt(sv[0], SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  const std::string prompt = " Enter maximum number of iterations (D =20) ";
  FILE* from = fdopen(sv[0], "r");
  char got[256];
  std::size_t n = std::fread(got, 1, prompt.size(), from);
  EXPECT_EQ(std::string(got, n), prompt);
  ASSERT_EQ(write(sv[0], "7\n", 2), 2);
  shutdown(sv[0], SHUT_WR);
  n += std::fread(got + n, 1, sizeof got - n, from);
  std::fclose(from);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(std::string(got, n), prompt + "  7  0 -1");
  EXPECT_EQ(read_file("log.txt"), " ITER=  12\n");
}

// A failure the caller does not handle stops the program with the message,
// the unit, the format and the line it was reading (a failure of the system
// with the file and its reason); a plain stop says nothing.
TEST(TextRecordsProcess, UnhandledFailuresStopWithTheirState) {
  std::remove("fatal.dat");
  feed_stdin("abc\n");
  const auto aborted = testing::KilledBySignal(SIGABRT);
  int n = 0;
  char label[3];
  auto says = [](const char* text) { return testing::Eq(std::string(text)); };  // all of stderr
  // A file the system cannot open: its name and the system's reason.
  EXPECT_EXIT(rec::open(9, "fatal.dat", rec::Status::OLD), testing::ExitedWithCode(1),
              says("open: can't find 'old' file\n"
                   "fatal.dat could not be opened: No such file or directory\n"));
  EXPECT_EXIT(std::freopen("/dev/full", "w", stdout); rec::write_formatted(6, "('x')", {}),
              testing::ExitedWithCode(1),
              says("write start: can't write file\n"
                   "the standard output could not be written: No space left on device\n"));
  EXPECT_EXIT(rec::read_formatted(5, "(I3)", {n}, rec::END), aborted,
              says("read start: invalid number\napparent state: unit 5 (unnamed)\n"
                   "last format: (I3)\nlately reading sequential formatted external IO\n"
                   "line 1: \"abc\"\n"));
  EXPECT_EXIT(rec::open(9, "fatal.dat", rec::Status::UNKNOWN); rec::read_formatted(9, "(I3)", {n}),
              aborted,
              says("read start: end of file\napparent state: unit 9 named fatal.dat\n"
                   "last format: (I3)\nlately reading sequential formatted external IO\n"));
  EXPECT_EXIT(rec::write_formatted(rec::Internal(label, 3), "(F7.2)", {1.0f}), aborted,
              says("write start: off end of record\napparent state: internal I/O\n"
                   "last format: (F7.2)\nlately writing sequential formatted internal IO\n"));
  EXPECT_EXIT(rec::write_list(123, {"x"}), aborted,
              says("startio: illegal unit number\napparent state: unit 123 (unnamed)\n"
                   "last format: \nlately writing sequential list external IO\n"));
  EXPECT_EXIT(rec::stop(0), testing::ExitedWithCode(0), says(""));
}

}  // namespace
