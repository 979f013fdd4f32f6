// End-to-end runs of the kalo program: answers on standard input, then the
// terminal output, KALOOUT.DAT and HFAC.DAT compared byte for byte.  The
// values the iteration computes (its "ITER=" lines and the ICON, QAVD and
// time values) are masked; the ICON line only when its layout matches.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/run_kalo.h"

namespace {

using kalo_test::read_file;
using kalo_test::run_kalo;
using kalo_test::TempDir;
using kalo_test::write_file;
namespace fs = std::filesystem;

const std::string LIST =
    " Test_numbers:\n 1: Off-center solid cylinder\n"
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
    " Choose printer device (RET for 1):\n 1: Remote post script printer in black and white\n"
    " 2: Remote post script printer in color\n 3: Local printer in black and white\n"
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
std::string i3(int n) {
  std::string s = std::to_string(n);
  return std::string(3 - s.size(), ' ') + s;
}

const std::string TEST1 = pad80("Off-center solid cylinder");
// One reconstruction pass on the terminal: the title closes the prompt line.
std::string pass(const std::string& title) { return "\n " + title + "\n<ITERS>\n"; }
// The log records of one reconstruction call.
std::string log_call(const std::string& miter) {
  return "<ITERS>\n\n MITER = " + miter +
         "     PREC =      0.010     QTOL =      0.005\n ICON  = <RESULT>\n\n";
}

std::string answers(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

// Whether `line` has the layout `form`: "#" stands for a digit, "~" for a
// digit or a blank, "?" for any character.
bool fits(const std::string& line, const std::string& form) {
  if (line.size() != form.size()) return false;
  for (std::size_t i = 0; i < form.size(); ++i) {
    char c = line[i], f = form[i];
    bool ok = f == '?' || (f == '#' ? std::isdigit(static_cast<unsigned char>(c)) != 0
                                    : f == '~' ? (std::isdigit(static_cast<unsigned char>(c)) ||
                                                  c == ' ')
                                               : c == f);
    if (!ok) return false;
  }
  return true;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t at = 0, nl; at < text.size(); at = nl + 1) {
    nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    out.push_back(text.substr(at, nl - at));
  }
  return out;
}

// The iteration's own lines; their layout is the engine's to check.
bool iteration_line(const std::string& l) {
  return l.rfind(" ITER= ", 0) == 0 || l.rfind(" HFAC infinite   L   = ", 0) == 0;
}

// Every run of iteration lines (with the "HFAC infinite" lines of the log
// among them) becomes one "<ITERS>" line, the values of the ICON line
// "<RESULT>".  The program leaves its last prompt line open; a closing
// newline is added so both endings compare alike.
std::string mask(const std::string& text) {
  std::string out;
  bool in_run = false;
  for (const auto& l : lines_of(text)) {
    bool iter = iteration_line(l);
    if (iter && !in_run) out += "<ITERS>\n";
    in_run = iter;
    if (iter) continue;
    out += fits(l, " ICON  = ~~~~~     QAVD = ?#.###E?##     Time = ~~~~~#.###")
               ? " ICON  = <RESULT>\n"
               : l + "\n";
  }
  return out;
}

// Layout of an H-factor file: header, then 8 lines of E11.3 per profile.
bool hfac_layout(const std::string& file, int nl, const std::string& title) {
  auto lines = lines_of(file);
  if (file.back() != '\n' || int(lines.size()) != 1 + 8 * nl || lines[0] != i3(nl) + title)
    return false;
  for (int i = 1; i <= 8 * nl; ++i) {
    std::string form;
    for (int v = 0; v < (i % 8 == 0 ? 2 : 7); ++v) form += "  0.###E?##";
    if (!fits(lines[i], form)) return false;
  }
  return true;
}

// An H-factor file for `nl` profiles with every factor `field` (11 columns).
std::string hfac_file(int nl, const std::string& title, const std::string& field) {
  std::string line7, s = i3(nl) + title + "\n";
  for (int v = 0; v < 7; ++v) line7 += field;
  for (int l = 0; l < nl; ++l) {
    for (int i = 0; i < 7; ++i) s += line7 + "\n";
    s += field + field + "\n";
  }
  return s;
}

// Three triangular profiles centred in their windows.  A window of 3.125 cm
// gives a sample spacing of exactly 1/16 cm, so every centroid is exactly
// the window middle 1.5625 (shown 1.56E+00) and the fitted centre is 0.
const std::string DATA = pad80("Three triangles, end-to-end run");
std::string kaloin() {
  const std::string matrix[3] = {"     1.000     0.000     0.000     1.000\n",
                                 "     0.000     0.010  -100.000     0.000\n",
                                 "     1.000     0.010     0.000     1.000\n"};
  std::string samples;
  for (int k = 1; k <= 51; ++k) {
    int v = std::max(0, 5 - std::abs(k - 26));
    samples += std::string(5, ' ') + std::to_string(v) + ".";
    if (k % 10 == 0 || k == 51) samples += "\n";
  }
  std::string s = DATA + "\n     0.000     3.125     0.000     3.125     3\n";
  for (const auto& m : matrix) s += m + samples;
  return s + "    0    5     0.010     0.005    -0.500     0.050     0.100     0.000\n";
}

// A test source through a store, a continue with a new TWID and one with
// 0 (which keeps the window); the whole dialogue and log are compared.
TEST(KaloRun, TestSourceThroughStoreContinueAndNewTwid) {
  TempDir dir;
  auto r = run_kalo(dir.path, answers({"1", "", "", "", "2", "y", "", "1.0", "", "n", "", "0",
                                       "", "N"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(mask(r.out), LIST + Q_TEST + Q_NOISE + Q_HFAC + Q_PRINTER + q_iter(" 9") +
                             pass(TEST1) + Q_STORE + Q_CONT + q_twid(" 0.000") + Q_HFAC +
                             pass(TEST1) + Q_STORE + Q_CONT + q_twid(" 1.000") + pass(TEST1) +
                             Q_STORE + Q_CONT + "\n");
  const std::string window =
      " SLIM =  5.00E-01    TLIM =  5.00E-01    XCEN =  5.01E-02    YCEN =  0.00E+00\n";
  EXPECT_EQ(mask(read_file(dir.file("KALOOUT.DAT"))),
            "\n " + TEST1 + "\n\n" + window + " SCEN:  5.50E-01 5.50E-01 5.50E-01\n" +
                " SREF:  5.00E-01 5.00E-01 5.00E-01\n \n" + log_call("    2") + "\n" + window +
                log_call("    2") + log_call("    2"));
  EXPECT_TRUE(hfac_layout(read_file(dir.file("HFAC.DAT")), 3, TEST1));
  EXPECT_FALSE(fs::exists(dir.file("HFAC.DAT.tmp")));
}

// Measured data with empty answers: printer 1, MITER from the file, nothing
// stored, the loop goes on.  A TWID that cannot be read or is negative is
// asked for again; the current TWID keeps the window; a new one is logged.
TEST(KaloRun, MeasuredDataWithDefaultsAndTwidRules) {
  TempDir dir;
  write_file(dir.file("KALOIN.DAT"), kaloin());
  auto r = run_kalo(dir.path, answers({"", "", "", "", "", "", "", "abc", "-0.5", "3.125", "",
                                       "", "1.5", "", "", "n"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(mask(r.out), LIST + Q_TEST + Q_NOISE + Q_HFAC + Q_PRINTER + q_iter(" 5") +
                             pass(DATA) + Q_STORE + Q_CONT + q_twid(" 3.125") + q_twid(" 3.125") +
                             q_twid(" 3.125") + pass(DATA) + Q_STORE + Q_CONT + q_twid(" 3.125") +
                             Q_HFAC + pass(DATA) + Q_STORE + Q_CONT + "\n");
  auto window = [](const std::string& tlim) {
    return " SLIM =  1.56E+00    TLIM =  " + tlim + "    XCEN =  0.00E+00    YCEN =  0.00E+00\n";
  };
  EXPECT_EQ(mask(read_file(dir.file("KALOOUT.DAT"))),
            "\n " + DATA + "\n\n" + window("1.56E+00") +
                " SCEN:  1.56E+00 1.56E+00 1.56E+00\n SREF:  1.56E+00 1.56E+00 1.56E+00\n \n" +
                log_call("    5") + log_call("    5") + "\n" +
                window("7.50E-01") +
                log_call("    5"));
  EXPECT_FALSE(fs::exists(dir.file("HFAC.DAT")));
}

// Test numbers that cannot be read or name no test source, printers outside
// 1..4 and a bad iteration limit are asked for again; the test list is shown
// once, the printer list with every printer question.
TEST(KaloRun, ReAskingRules) {
  TempDir dir;
  auto r = run_kalo(dir.path, answers({"x", "7", "-1", "99", "1", "", "", "7", "x", "", "x", "2",
                                       "1", "n", "n"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(mask(r.out), LIST + Q_TEST + Q_TEST + Q_TEST + Q_TEST + Q_TEST + Q_NOISE + Q_HFAC +
                             Q_PRINTER + Q_PRINTER + Q_PRINTER + q_iter(" 9") + Q_PRINTER +
                             q_iter(" 9") + pass(TEST1) + Q_STORE + Q_CONT + "\n");
}

// End of input at every question ends the program quietly with status 0;
// the log exists once the iteration limit has been answered.
TEST(KaloRun, EndOfInputAtEveryQuestion) {
  const std::vector<std::string> script = {"1", "", "", "", "1", "n", "", "0.8", "", "n", "N"};
  const std::vector<std::string> prompts = {Q_TEST, Q_NOISE, Q_HFAC, Q_PRINTER,
                                            q_iter(" 9"), Q_STORE, Q_CONT, q_twid(" 0.000"),
                                            Q_HFAC, Q_STORE, Q_CONT};
  for (std::size_t n = 0; n < script.size(); ++n) {
    SCOPED_TRACE("answers given: " + std::to_string(n));
    TempDir dir;
    auto r = run_kalo(dir.path, answers(std::vector<std::string>(script.begin(), script.begin() + n)));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::string out = mask(r.out), tail = prompts[n] + "\n";
    EXPECT_EQ(out.substr(out.size() - std::min(out.size(), tail.size())), tail);
    EXPECT_EQ(fs::exists(dir.file("KALOOUT.DAT")), n >= 5);
  }
}

// Loading and storing H-factors: each case starts from an HFAC.DAT (or none)
// and shows what the terminal says and what HFAC.DAT holds afterwards.
TEST(KaloRun, HfacFileLoadAndStore) {
  struct Case {
    const char* what;
    std::string before, miter, store, after;
    bool refused;
  } cases[] = {
      {"a factor 1.23456 comes back as 1.23", hfac_file(3, TEST1, "    1.23456"), "1", "y",
       hfac_file(3, TEST1, "  0.123E+01"), false},
      {"a file of another NL is refused", hfac_file(2, TEST1, "  0.200E+01"), "1", "n",
       hfac_file(2, TEST1, "  0.200E+01"), true},
      {"another title is refused", hfac_file(3, pad80("Other"), "  0.200E+01"), "1", "n",
       hfac_file(3, pad80("Other"), "  0.200E+01"), true},
      {"without iterations the factors in use are stored", "", "-1", "y",
       hfac_file(3, TEST1, "  0.100E+01"), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    if (!c.before.empty()) write_file(dir.file("HFAC.DAT"), c.before);
    auto r = run_kalo(dir.path, answers({"1", "", "F", "", c.miter, c.store, "N"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find(Q_HFAC + NOT_FOUND + Q_PRINTER) != std::string::npos, c.refused);
    EXPECT_EQ(read_file(dir.file("HFAC.DAT")), c.after);
  }
}

// Factors stored by one run and reloaded by the next are stored again
// unchanged after one iteration (which saves them before updating).
TEST(KaloRun, HfacStoredThenReloaded) {
  TempDir dir;
  ASSERT_EQ(run_kalo(dir.path, answers({"1", "", "", "", "3", "y", "N"})).status, 0);
  std::string stored = read_file(dir.file("HFAC.DAT"));
  EXPECT_TRUE(hfac_layout(stored, 3, TEST1));
  auto second = run_kalo(dir.path, answers({"1", "", "F", "", "1", "y", "N"}));
  EXPECT_EQ(second.out.find(NOT_FOUND), std::string::npos);
  EXPECT_EQ(read_file(dir.file("HFAC.DAT")), stored);
  // The log holds the second run only.
  std::string log = read_file(dir.file("KALOOUT.DAT"));
  EXPECT_EQ(log.find(" SREF:"), log.rfind(" SREF:"));
  EXPECT_NE(log.find("MITER =     1"), std::string::npos);
}

// A store that cannot be completed says so, keeps the old HFAC.DAT, leaves
// no temporary file and the run goes on: first the temporary file cannot be
// created, then HFAC.DAT (here a folder) cannot be replaced.
TEST(KaloRun, FailedStoreKeepsTheOldFile) {
  for (const char* blocked : {"HFAC.DAT.tmp", "HFAC.DAT"}) {
    SCOPED_TRACE(blocked);
    TempDir dir;
    bool replace = std::string(blocked) == "HFAC.DAT";
    if (!replace) write_file(dir.file("HFAC.DAT"), "old\n");
    fs::create_directory(dir.file(blocked));
    write_file(dir.file(blocked) + "/keep", "old\n");
    auto r = run_kalo(dir.path, answers({"1", "", "", "", "1", "y", "N"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(Q_STORE + NOT_STORED + Q_CONT), std::string::npos) << r.out;
    EXPECT_EQ(read_file(dir.file(replace ? "HFAC.DAT/keep" : "HFAC.DAT")), "old\n");
    EXPECT_EQ(fs::exists(dir.file("HFAC.DAT.tmp")), !replace);
  }
}

}  // namespace
