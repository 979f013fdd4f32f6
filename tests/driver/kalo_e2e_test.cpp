// End-to-end runs of the kalo program: answers on standard input, then the
// terminal output, KALOOUT.DAT and HFAC.DAT compared with their layouts.
// Values computed by the reconstruction (the iteration lines, QAVD, the
// elapsed time, and for the test sources the fitted centre and centroids)
// are masked after their layout is checked; everything else is exact.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_kalo.h"

namespace {

using kalo_test::file_exists;
using kalo_test::read_file;
using kalo_test::run_kalo;
using kalo_test::TempDir;
using kalo_test::write_file;

const std::string LIST =
    " Test_numbers:\n"
    " 1: Off-center solid cylinder\n"
    " 2: Off-center solid cylinder             (with noisy data)\n"
    " 3: Solid cylinder inside hollow cylinder\n"
    " 4: Solid cylinder inside hollow cylinder (with noisy data)\n"
    " 5: Off-center tilted asymmetric gaussian\n"
    " 6: Off-center tilted asymmetric gaussian (with noisy data)\n";
const std::string Q_TEST = " Enter test_number (1:6) or RET for measured data ";
const std::string Q_NOISE = " Automatic noise reduction [Y/N] ? (Def = Y) ";
const std::string Q_HFAC = " Enter F for HFAC from file, RET for internal values ";
const std::string NOT_FOUND = " HFAC.DAT not found, taking internal values.\n";
const std::string Q_PRINTER =
    " Choose printer device (RET for 1):\n"
    " 1: Remote post script printer in black and white\n"
    " 2: Remote post script printer in color\n"
    " 3: Local printer in black and white\n"
    " 4: Local printer in color  ";
const std::string Q_STORE = " Do you want to store HFAC for a next run ? [Y/N] (Def=N) ";
const std::string Q_CONT = " Do you want to continue the iteration ? [Y/N] (Def=Y) ";
const std::string NOT_STORED =
    " HFAC.DAT could not be written: H-factors not stored, any old HFAC.DAT is kept.\n";

std::string q_iter(const std::string& d) {
  return " Enter maximum number of iterations (D =" + d + ") ";
}
std::string q_twid(const std::string& d) { return " Enter new TWID (D =" + d + " rad) "; }

std::string pad80(const std::string& s) { return s + std::string(80 - s.size(), ' '); }

const std::string TEST1_TITLE = pad80("Off-center solid cylinder");
// The title record of a reconstruction pass on the terminal, closing the
// prompt line before it, followed by that pass's iteration lines.
std::string pass(const std::string& title) { return "\n " + title + "\n<ITERS>\n"; }

std::string answers(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

const std::regex ITER_LINE(
    R"( ITER= [ \d*]{2}, QAVD= [ -]\d\.\d\dE[+-]\d\d, NINF= [ \d*]{3}, NIND= [ \d*]{3},)"
    R"( NZER= [ \d*]{3}, NOUT= [ \d*]{3}, N= [ \d*]{3})");
const std::regex INFINITE_LINE(R"( HFAC infinite   L   = [ \d]{3}; K   = [ \d]{2}(,[ \d]{2})*,?)");
const std::regex RESULT_LINE(
    R"( ICON  = ([ \d]{5})     QAVD = (?: \d\.\d{3}E[+-]\d\d|-\d\.\d{3}E[+-]\d\d))"
    R"(     Time = [ \d]{5}\d\.\d{3})");
const std::regex E92(R"([ -]\d\.\d\dE[+-]\d\d)");
const std::regex CENTRE(R"((XCEN = |YCEN = )[ -]\d\.\d\dE[+-]\d\d)");

std::vector<std::string> iter_lines(const std::string& text) {
  std::vector<std::string> out;
  for (const auto& l : lines_of(text))
    if (std::regex_match(l, ITER_LINE)) out.push_back(l);
  return out;
}

// Replaces every run of iteration lines (with the "HFAC infinite" lines
// among them) by one "<ITERS>" line and the values of an ICON line by
// placeholders.  With `centre`, the fitted centre and the centroids are
// masked as well.  Lines that look alike but break the layout stay as they
// are, so the comparison shows them.
std::string mask(const std::string& text, bool centre = false) {
  std::string out;
  bool in_iters = false;
  for (const auto& l : lines_of(text)) {
    if (std::regex_match(l, ITER_LINE) || std::regex_match(l, INFINITE_LINE)) {
      if (!in_iters) out += "<ITERS>\n";
      in_iters = true;
      continue;
    }
    in_iters = false;
    std::string m = l;
    if (std::regex_match(l, RESULT_LINE)) {
      m = " ICON  = <I5>     QAVD = <E10.3>     Time = <F10.3>";
    } else if (centre && l.rfind(" SLIM = ", 0) == 0) {
      m = std::regex_replace(l, CENTRE, "$1<E>");
    } else if (centre && l.rfind(" SCEN: ", 0) == 0) {
      m = " SCEN: " + std::regex_replace(l.substr(7), E92, "<E>");
    }
    out += m + "\n";
  }
  if (!text.empty() && text.back() != '\n') out.pop_back();
  return out;
}

// Standard output ends with the last prompt, whose line is left open; a
// final newline added when the program closes its units is accepted.
std::string closed(std::string out) {
  if (!out.empty() && out.back() != '\n') out += "\n";
  return out;
}

// In the log, each ICON line must count the iteration lines of its call.
void expect_icon_counts(const std::string& log) {
  int count = 0;
  std::smatch m;
  for (const auto& l : lines_of(log)) {
    if (std::regex_match(l, ITER_LINE)) ++count;
    if (std::regex_match(l, m, RESULT_LINE)) {
      EXPECT_EQ(std::stoi(m[1].str()), count) << l;
      count = 0;
    }
  }
}

// Checks the layout of an H-factor file for `nl` profiles and `title`.
void expect_hfac_layout(const std::string& file, int nl, const std::string& title) {
  auto lines = lines_of(file);
  ASSERT_EQ(int(lines.size()), 1 + 8 * nl);
  char head[4];
  std::snprintf(head, sizeof head, "%3d", nl);
  EXPECT_EQ(lines[0], head + title);
  const std::regex value(R"(  0\.\d{3}E[+-]\d\d)");
  for (int i = 1; i < int(lines.size()); ++i) {
    int values = (i % 8 == 0) ? 2 : 7;
    ASSERT_EQ(int(lines[i].size()), 11 * values) << "line " << i + 1;
    for (int v = 0; v < values; ++v)
      EXPECT_TRUE(std::regex_match(lines[i].substr(11 * v, 11), value))
          << "line " << i + 1 << ": " << lines[i];
  }
  EXPECT_EQ(file.back(), '\n');
}

// An H-factor file for `nl` profiles with every factor `field` (11 columns).
std::string hfac_file(int nl, const std::string& title, const std::string& field) {
  char head[4];
  std::snprintf(head, sizeof head, "%3d", nl);
  std::string s = head + title + "\n";
  for (int l = 0; l < nl; ++l) {
    for (int line = 0; line < 7; ++line) {
      for (int v = 0; v < 7; ++v) s += field;
      s += "\n";
    }
    s += field + field + "\n";
  }
  return s;
}

std::string f10(double v) {
  char b[16];
  std::snprintf(b, sizeof b, "%10.3f", v);
  return b;
}

// A measured-data file with three triangular profiles centred in their
// windows.  The window width 3.125 cm gives an exact sample spacing of
// 1/16 cm, so the centroids are exactly the window middle, SLIM = 1.5625
// (shown as 1.56E+00), and the fitted centre is exactly 0.
const std::string DATA_TITLE = pad80("Three triangles, end-to-end run");
std::string kaloin() {
  std::string s = DATA_TITLE + "\n";
  s += f10(0) + f10(3.125) + f10(0) + f10(3.125) + "     3\n";
  const double matrices[3][4] = {{1, 0, 0, 1}, {0, 0.01, -100, 0}, {1, 0.01, 0, 1}};
  for (const auto& m : matrices) {
    s += f10(m[0]) + f10(m[1]) + f10(m[2]) + f10(m[3]) + "\n";
    for (int k = 1; k <= 51; ++k) {
      int v = (k >= 22 && k <= 30) ? 5 - std::abs(k - 26) : 0;
      char b[8];
      std::snprintf(b, sizeof b, "%#7.0f", double(v));
      s += b;
      if (k % 10 == 0 || k == 51) s += "\n";
    }
  }
  s += "    0    5" + f10(0.01) + f10(0.005) + f10(-0.5) + f10(0.05) + f10(0.1) + f10(0) + "\n";
  return s;
}

const std::string DATA_WINDOW =
    " SLIM =  1.56E+00    TLIM =  1.56E+00    XCEN =  0.00E+00    YCEN =  0.00E+00\n";
const std::string TEST_WINDOW =
    " SLIM =  5.00E-01    TLIM =  5.00E-01    XCEN = <E>    YCEN = <E>\n";
// The log records of one reconstruction call.
std::string log_call(const std::string& miter) {
  return "<ITERS>\n\n MITER = " + miter +
         "     PREC =      0.010     QTOL =      0.005\n"
         " ICON  = <I5>     QAVD = <E10.3>     Time = <F10.3>\n\n";
}

// A test source through store, continue, a new TWID, continue with 0 kept.
TEST(KaloRun, TestSourceThroughStoreContinueAndNewTwid) {
  TempDir dir;
  auto r = run_kalo(dir.path(), answers({"1", "", "", "", "2", "y", "", "1.0", "", "n", "",
                                         "0", "", "N"}));
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(mask(closed(r.out)),
            LIST + Q_TEST + Q_NOISE + Q_HFAC + Q_PRINTER + q_iter(" 9") + pass(TEST1_TITLE) +
                Q_STORE + Q_CONT + q_twid(" 0.000") + Q_HFAC + pass(TEST1_TITLE) + Q_STORE +
                Q_CONT + q_twid(" 1.000") + pass(TEST1_TITLE) + Q_STORE + Q_CONT + "\n");

  std::string log = read_file(dir.file("KALOOUT.DAT"));
  EXPECT_EQ(mask(log, true),
            "\n " + TEST1_TITLE + "\n\n" + TEST_WINDOW + " SCEN: <E><E><E>\n" +
                " SREF:  5.00E-01 5.00E-01 5.00E-01\n" + " \n" + log_call("    2") + "\n" +
                TEST_WINDOW + log_call("    2") + log_call("    2"));
  EXPECT_EQ(iter_lines(log), iter_lines(r.out));
  expect_icon_counts(log);

  expect_hfac_layout(read_file(dir.file("HFAC.DAT")), 3, TEST1_TITLE);
  EXPECT_FALSE(file_exists(dir.file("HFAC.DAT.tmp")));
}

// Measured data with empty answers: printer 1, MITER from the file, nothing
// stored, the loop goes on.  A TWID that cannot be read or is negative is
// asked for again; the current TWID keeps the window; a new one is logged.
TEST(KaloRun, MeasuredDataWithDefaultsAndTwidRules) {
  TempDir dir;
  write_file(dir.file("KALOIN.DAT"), kaloin());
  auto r = run_kalo(dir.path(), answers({"", "", "", "", "", "", "", "abc", "-0.5", "3.125",
                                         "", "", "1.5", "", "", "n"}));
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(mask(closed(r.out)),
            LIST + Q_TEST + Q_NOISE + Q_HFAC + Q_PRINTER + q_iter(" 5") + pass(DATA_TITLE) +
                Q_STORE + Q_CONT + q_twid(" 3.125") + q_twid(" 3.125") + q_twid(" 3.125") +
                pass(DATA_TITLE) + Q_STORE + Q_CONT + q_twid(" 3.125") + Q_HFAC +
                pass(DATA_TITLE) + Q_STORE + Q_CONT + "\n");

  std::string log = read_file(dir.file("KALOOUT.DAT"));
  EXPECT_EQ(mask(log),
            "\n " + DATA_TITLE + "\n\n" + DATA_WINDOW +
                " SCEN:  1.56E+00 1.56E+00 1.56E+00\n"
                " SREF:  1.56E+00 1.56E+00 1.56E+00\n \n" +
                log_call("    5") + log_call("    5") + "\n" +
                " SLIM =  1.56E+00    TLIM =  7.50E-01    XCEN =  0.00E+00    YCEN =  0.00E+00\n" +
                log_call("    5"));
  EXPECT_EQ(iter_lines(log), iter_lines(r.out));
  expect_icon_counts(log);
  EXPECT_FALSE(file_exists(dir.file("HFAC.DAT")));
}

// Test numbers that cannot be read or name no test source, printer numbers
// outside 1..4 and a bad iteration limit are asked for again; the list of
// test sources is shown once, the printer list with every printer question.
TEST(KaloRun, ReAskingRules) {
  TempDir dir;
  auto r = run_kalo(dir.path(), answers({"x", "7", "-1", "99", "1", "", "", "7", "x", "",
                                         "x", "2", "1", "n", "n"}));
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(mask(closed(r.out)),
            LIST + Q_TEST + Q_TEST + Q_TEST + Q_TEST + Q_TEST + Q_NOISE + Q_HFAC + Q_PRINTER +
                Q_PRINTER + Q_PRINTER + q_iter(" 9") + Q_PRINTER + q_iter(" 9") +
                pass(TEST1_TITLE) + Q_STORE + Q_CONT + "\n");
  EXPECT_EQ(mask(read_file(dir.file("KALOOUT.DAT")), true).find(log_call("    1")) !=
                std::string::npos,
            true);
}

// End of input at every question ends the program quietly with status 0;
// the log exists only once the iteration limit has been answered.
TEST(KaloRun, EndOfInputAtEveryQuestion) {
  const std::vector<std::string> script = {"1", "", "", "", "1", "n", "", "0.8", "", "n", "N"};
  const std::vector<std::string> prompts = {Q_TEST,  Q_NOISE, Q_HFAC,           Q_PRINTER,
                                            q_iter(" 9"), Q_STORE, Q_CONT, q_twid(" 0.000"),
                                            Q_HFAC,  Q_STORE, Q_CONT};
  for (std::size_t n = 0; n < script.size(); ++n) {
    SCOPED_TRACE("answers given: " + std::to_string(n));
    TempDir dir;
    auto r = run_kalo(dir.path(),
                      answers(std::vector<std::string>(script.begin(), script.begin() + n)));
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::string out = closed(r.out);
    std::string tail = prompts[n] + "\n";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    EXPECT_EQ(file_exists(dir.file("KALOOUT.DAT")), n >= 5);
    EXPECT_FALSE(file_exists(dir.file("HFAC.DAT")));
  }
}

// Stored factors are reloaded by a later run with "F": storing them again
// after one iteration gives the same file.  Values carry three digits.
TEST(KaloRun, HfacStoredThenReloaded) {
  TempDir dir;
  auto first = run_kalo(dir.path(), answers({"1", "", "", "", "3", "y", "N"}));
  ASSERT_EQ(first.status, 0);
  std::string stored = read_file(dir.file("HFAC.DAT"));
  expect_hfac_layout(stored, 3, TEST1_TITLE);

  auto second = run_kalo(dir.path(), answers({"1", "", "F", "", "1", "y", "N"}));
  ASSERT_EQ(second.status, 0);
  EXPECT_EQ(second.out.find(NOT_FOUND), std::string::npos);
  EXPECT_EQ(read_file(dir.file("HFAC.DAT")), stored);
}

TEST(KaloRun, ReloadedFactorComesBackWithThreeDigits) {
  TempDir dir;
  write_file(dir.file("HFAC.DAT"), hfac_file(3, TEST1_TITLE, "    1.23456"));
  auto r = run_kalo(dir.path(), answers({"1", "", "F", "", "1", "y", "N"}));
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find(NOT_FOUND), std::string::npos);
  EXPECT_EQ(read_file(dir.file("HFAC.DAT")), hfac_file(3, TEST1_TITLE, "  0.123E+01"));
}

TEST(KaloRun, HfacOfAnotherProfileCountIsRefused) {
  TempDir dir;
  std::string other = hfac_file(2, TEST1_TITLE, "  0.200E+01");
  write_file(dir.file("HFAC.DAT"), other);
  auto r = run_kalo(dir.path(), answers({"1", "", "F", "", "1", "n", "N"}));
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(Q_HFAC + NOT_FOUND + Q_PRINTER), std::string::npos);
  EXPECT_EQ(read_file(dir.file("HFAC.DAT")), other);
}

// With no iteration (a negative limit) nothing was ever saved by the
// iteration; the factors in use are stored, not zeros.
TEST(KaloRun, NoIterationStoresTheFactorsInUse) {
  TempDir dir;
  auto r = run_kalo(dir.path(), answers({"1", "", "", "", "-1", "y", "N"}));
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(iter_lines(r.out).empty());
  std::string log = read_file(dir.file("KALOOUT.DAT"));
  EXPECT_NE(log.find("\n\n MITER =    -1     PREC =      0.010     QTOL =      0.005\n"
                     " ICON  =     0     QAVD =  0.000E+00     Time = "),
            std::string::npos);
  EXPECT_EQ(read_file(dir.file("HFAC.DAT")), hfac_file(3, TEST1_TITLE, "  0.100E+01"));
}

// A store that cannot be completed says so, keeps the old HFAC.DAT and
// leaves no temporary file behind; the run goes on.
TEST(KaloRun, FailedStoreKeepsTheOldFile) {
  const std::string old = "old contents\n";
  {
    SCOPED_TRACE("temporary file cannot be created");
    TempDir dir;
    write_file(dir.file("HFAC.DAT"), old);
    std::filesystem::create_directory(dir.file("HFAC.DAT.tmp"));
    write_file(dir.file("HFAC.DAT.tmp/keep"), "x");
    auto r = run_kalo(dir.path(), answers({"1", "", "", "", "1", "y", "N"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(Q_STORE + NOT_STORED + Q_CONT), std::string::npos) << r.out;
    EXPECT_EQ(read_file(dir.file("HFAC.DAT")), old);
  }
  {
    SCOPED_TRACE("HFAC.DAT cannot be replaced");
    TempDir dir;
    std::filesystem::create_directory(dir.file("HFAC.DAT"));
    write_file(dir.file("HFAC.DAT/keep"), old);
    auto r = run_kalo(dir.path(), answers({"1", "", "", "", "1", "y", "N"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(Q_STORE + NOT_STORED + Q_CONT), std::string::npos) << r.out;
    EXPECT_EQ(read_file(dir.file("HFAC.DAT/keep")), old);
    EXPECT_FALSE(file_exists(dir.file("HFAC.DAT.tmp")));
  }
}

}  // namespace
