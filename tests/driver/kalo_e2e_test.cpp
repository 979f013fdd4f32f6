// End-to-end runs of the kalo program: answers on standard input, then the
// terminal output, KALOOUT.DAT and HFAC.DAT compared byte for byte.  The
// values the iteration computes (its "ITER=" lines and the ICON, QAVD and
// time values) are masked; the ICON line only when its layout matches.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_kalo.h"

namespace {

using namespace kalo_test;
namespace fs = std::filesystem;

const std::string LIST = " Test_numbers:\n 1: Off-center solid cylinder\n"
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
const std::string STORED = " H-factors stored in HFAC.DAT.\n";
const std::string LOADED = " H-factors loaded from HFAC.DAT.\n";
const std::string Q_CONT = " Do you want to continue the iteration ? [Y/N] (Def=Y) ";
// The frame list of the result screens, written at their first visit.
const std::string FRAMES = " Frame numbers are:\n"
    " 1: Profiles and corresponding projections of the source\n"
    " 2: H-factors for reconstructing the source\n"
    " 3: Source (contour plot) and phase space density\n"
    " 4: Source (3-dim plot)\n 5: Source (3-dim plot, turned 90 degs)\n"
    " 6: X -projection of the source\n 7: X'-projection of the source\n"
    " 8: Overview collection\n";
// After a pass: the store and continue questions.
const std::string Q_END = Q_STORE + Q_CONT;
const std::string Q_ITER9 = " Enter maximum number of iterations (D = 9) ";
const std::string Q_ITER5 = " Enter maximum number of iterations (D = 5) ";
std::string q_twid(const std::string& d) { return " Enter new TWID (D =" + d + " rad) "; }
std::string pad80(const std::string& s) { return s + std::string(80 - s.size(), ' '); }

const std::string TEST1 = pad80("Off-center solid cylinder");
// One reconstruction pass on the terminal: the title closes the prompt line.
std::string pass(const std::string& title) { return "\n " + title + "\n<ITERS>\n"; }
// The log records of one reconstruction call.
std::string log_call(const std::string& miter) {
  return "<ITERS>\n\n MITER = " + miter +
         "     PREC =      0.010     QTOL =      0.005\n ICON  = <RESULT>\n\n";
}
// The window line of the log.
std::string window(const std::string& slim, const std::string& tlim, const std::string& xcen) {
  return " SLIM =  " + slim + "    TLIM =  " + tlim + "    XCEN =  " + xcen +
         "    YCEN =  0.00E+00\n";
}

std::string answers(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

// Whether `text` has the layout `form`: "#" stands for a digit, "~" for a
// digit or a blank, "?" for any character.
bool fits(const std::string& text, const std::string& form) {
  return std::equal(text.begin(), text.end(), form.begin(), form.end(), [](char c, char f) {
    bool digit = c >= '0' && c <= '9';
    return c == f || f == '?' || (f == '#' && digit) || (f == '~' && (digit || c == ' '));
  });
}

// Every run of iteration lines (with the "HFAC infinite" lines of the log
// among them; their layout is the engine's to check) becomes one "<ITERS>"
// line, the values of the ICON line "<RESULT>".  The program leaves its last
// prompt line open; a closing newline is added so both endings compare alike.
std::string mask(const std::string& text) {
  std::istringstream in(text);
  std::string out, l;
  for (bool in_run = false; std::getline(in, l);) {
    bool iter = l.rfind(" ITER= ", 0) == 0 || l.rfind(" HFAC infinite   L   = ", 0) == 0;
    if (iter && !in_run) out += "<ITERS>\n";
    in_run = iter;
    if (!iter)
      out += (fits(l, " ICON  = ~~~~~     QAVD = ?#.###E?##     Time = ~~~~~#.###")
                  ? " ICON  = <RESULT>" : l) + "\n";
  }
  return out;
}

// An H-factor file for `nl` (< 10) profiles with every factor `field` (11
// columns): header, then 8 lines of E11.3 per profile.  With the field
// "  0.###E?##" it is the form any stored file fits.
std::string hfac_file(int nl, const std::string& title, const std::string& field) {
  std::string line7, s = "  " + std::to_string(nl) + title + "\n";
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
  const std::string z = "     0.     0.     0.     0.     0.     0.     0.     0.     0.     0.\n",
                    samples = z + z + "     0.     1.     2.     3.     4.     5.     4.     3." +
                              "     2.     1.\n" + z + z + "     0.\n";
  return DATA + "\n     0.000     3.125     0.000     3.125     3\n" +
         "     1.000     0.000     0.000     1.000\n" + samples +
         "     0.000     0.010  -100.000     0.000\n" + samples +
         "     1.000     0.010     0.000     1.000\n" + samples +
         "    0    5     0.010     0.005    -0.500     0.050     0.100     0.000\n";
}

// A test source through a store, a continue with a new TWID (logged with
// its window, new start factors asked for) and one with 0, which keeps the
// window; the whole dialogue, log and stored file are compared.  A second
// run reloads the factors and, after one iteration (which saves them before
// updating), stores them unchanged; its log holds that run only.
TEST(KaloRun, TestSourceThroughStoreContinueNewTwidAndReload) {
  TempDir dir;
  auto r = run_kalo(dir.path, answers({"1", "", "", "", "2", "y", "", "0.8", "", "n", "", "0",
                                       "", "N"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(mask(r.out), LIST + Q_TEST + Q_NOISE + Q_HFAC + Q_PRINTER + Q_ITER9 +
                             pass(TEST1) + FRAMES + Q_STORE + STORED + Q_CONT + q_twid(" 1.000") +
                             Q_HFAC + pass(TEST1) +
                             Q_END + q_twid(" 0.800") + pass(TEST1) + Q_END + "\n");
  const std::string head = "\n " + TEST1 + "\n\n" + window("5.00E-01", "5.00E-01", "5.01E-02") +
                           " SCEN:  5.50E-01 5.50E-01 5.50E-01\n" +
                           " SREF:  5.00E-01 5.00E-01 5.00E-01\n \n";
  EXPECT_EQ(mask(read_file(dir.file("KALOOUT.DAT"))),
            head + log_call("    2") + "\n" + window("5.00E-01", "4.00E-01", "5.01E-02") +
                log_call("    2") + log_call("    2"));
  std::string stored = read_file(dir.file("HFAC.DAT"));
  EXPECT_TRUE(fits(stored, hfac_file(3, TEST1, "  0.###E?##")));

  r = run_kalo(dir.path, answers({"1", "", "F", "", "1", "y", "N"}));
  EXPECT_EQ(read_file(dir.file("HFAC.DAT")), stored);
  EXPECT_EQ(mask(read_file(dir.file("KALOOUT.DAT"))), head + log_call("    1"));
}

// Measured data with mostly empty answers: printer 1, MITER from the file,
// nothing stored, the loop goes on.  Asked for again: test numbers that
// cannot be read or name no test source, printers outside 1..4, a bad
// iteration limit (with the printer), a TWID that cannot be read, is
// negative or is not finite.  The test list is shown once, the printer list
// with every printer question; the current TWID keeps the window.
TEST(KaloRun, MeasuredDataDefaultsAndReAsking) {
  TempDir dir;
  write_file(dir.file("KALOIN.DAT"), kaloin());
  auto r = run_kalo(dir.path, answers({"x", "7", "-1", "", "", "", "7", "x", "", "x", "2", "",
                                       "", "", "abc", "-0.5", "inf", "nan", "3.125", "", "n"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(mask(r.out), LIST + Q_TEST + Q_TEST + Q_TEST + Q_TEST + Q_NOISE + Q_HFAC +
                             Q_PRINTER + Q_PRINTER + Q_PRINTER + Q_ITER5 + Q_PRINTER +
                             Q_ITER5 + pass(DATA) + FRAMES + Q_END + q_twid(" 3.125") +
                             q_twid(" 3.125") + q_twid(" 3.125") + q_twid(" 3.125") +
                             q_twid(" 3.125") + pass(DATA) + Q_END + "\n");
  EXPECT_EQ(mask(read_file(dir.file("KALOOUT.DAT"))),
            "\n " + DATA + "\n\n" + window("1.56E+00", "1.56E+00", "0.00E+00") +
                " SCEN:  1.56E+00 1.56E+00 1.56E+00\n SREF:  1.56E+00 1.56E+00 1.56E+00\n \n" +
                log_call("    5") + log_call("    5"));
  EXPECT_FALSE(fs::exists(dir.file("HFAC.DAT")));
}

// End of input at every question ends the program quietly with status 0;
// the log exists once the iteration limit has been answered.
TEST(KaloRun, EndOfInputAtEveryQuestion) {
  const std::vector<std::string> script = {"1", "", "", "", "1", "n", "", "0.8", "", "n", "N"};
  const std::vector<std::string> prompts = {Q_TEST, Q_NOISE, Q_HFAC, Q_PRINTER,
                                            Q_ITER9, Q_STORE, Q_CONT, q_twid(" 1.000"),
                                            Q_HFAC, Q_STORE, Q_CONT};
  for (std::size_t n = 0; n < script.size(); ++n) {
    SCOPED_TRACE("answers given: " + std::to_string(n));
    TempDir dir;
    auto r = run_kalo(dir.path, answers({script.begin(), script.begin() + long(n)}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(mask(r.out).ends_with(prompts[n] + "\n")) << r.out;
    EXPECT_EQ(fs::exists(dir.file("KALOOUT.DAT")), n >= 5);
  }
}

// Loading and storing H-factors: each case sets up HFAC.DAT (or none, or
// what stands in its way), answers the start-factor, iteration and store
// questions, and shows what the terminal says (a refused load or store
// gives its reason on the line before the fixed one) and what `kept` holds
// afterwards; no temporary file is left behind unless it is a folder.
TEST(KaloRun, HfacFileLoadAndStore) {
  const std::string not_stored = " HFAC.DAT could not be written: H-factors not stored,"
                                 " any old HFAC.DAT is kept.\n",
                    stored = hfac_file(3, TEST1, "  0.123E+01");
  const std::string good = hfac_file(3, TEST1, "    1.23456");
  auto file = [](const std::string& text) {
    return [=](const TempDir& d) { write_file(d.file("HFAC.DAT"), text); };
  };
  const struct {
    std::function<void(const TempDir&)> setup;
    std::string miter, store;
    bool as_user;  // run as an ordinary user
    std::string said, kept, after;
    std::string load = "F";  // answer to the start-factor question
  } cases[] = {
      // A factor 1.23456 comes back as 1.23.
      {file(good), "1", "y", false, Q_HFAC + LOADED + Q_PRINTER, "HFAC.DAT", stored},
      // Factors at the cap are loaded, but the sweep's ratios overflow:
      // the run says that nothing could be fitted.
      {file(hfac_file(3, TEST1, "  0.100E+08")), "1", "n", false,
       " No fit: the computed projections could not be compared with the measured profiles;"
       " the H-factors are as before.\n",
       "HFAC.DAT", hfac_file(3, TEST1, "  0.100E+08")},
      // Factors the iteration never leaves (negative, above its cap of 1E7):
      // the refusal says why, then the fixed line.  (The refusals of other
      // files are the preparation tests'.)
      {file(hfac_file(3, TEST1, " -0.100E+01")), "1", "n", false,
       " HFAC.DAT: factor 1 of profile 1 is -1, not a factor from 0 to 1E7\n" + NOT_FOUND,
       "HFAC.DAT", hfac_file(3, TEST1, " -0.100E+01")},
      {[](const TempDir& d) { fs::create_symlink("/dev/zero", d.file("HFAC.DAT")); }, "1", "n",
       false,
       " HFAC.DAT, line 1: expected NL (I3) and the title (A80), found a line longer than 65536 "
       "characters\n" + NOT_FOUND, "KALOOUT.DAT", ""},
      // Nothing was saved by an iteration: the factors in use are stored, not zeros.
      {nullptr, "-1", "y", false, Q_HFAC + NOT_FOUND + Q_PRINTER, "HFAC.DAT",
       hfac_file(3, TEST1, "  0.100E+01")},
      // A link is loaded through and stored through: its target gets the
      // factors and the link stays.
      {[&](const TempDir& d) {
         fs::create_directory(d.file("sub"));
         write_file(d.file("sub/real.dat"), good);
         fs::create_symlink("sub/real.dat", d.file("HFAC.DAT"));
       }, "1", "y", false, Q_HFAC + LOADED + Q_PRINTER, "sub/real.dat", stored},
      // A copy left by an interrupted store is never loaded and does not
      // hinder the next store, even when it is write-protected.
      {[&](const TempDir& d) {
         write_file(d.file("HFAC.DAT.tmp"), good);
         fs::permissions(d.file("HFAC.DAT.tmp"), fs::perms::owner_read);
       }, "1", "y", false, Q_HFAC + NOT_FOUND + Q_PRINTER, "HFAC.DAT",
       hfac_file(3, TEST1, "  0.100E+01")},
      // A store that cannot be completed says why, keeps the old HFAC.DAT
      // and the run goes on: the temporary file cannot be created, HFAC.DAT
      // (a folder) cannot be replaced or loaded, or the user may neither
      // read nor write it.
      {[](const TempDir& d) {
         write_file(d.file("HFAC.DAT"), "old\n");
         fs::create_directory(d.file("HFAC.DAT.tmp"));
         write_file(d.file("HFAC.DAT.tmp/keep"), "old\n");
       }, "1", "y", false, " HFAC.DAT.tmp: Is a directory\n" + not_stored, "HFAC.DAT", "old\n"},
      {[](const TempDir& d) {
         fs::create_directory(d.file("HFAC.DAT"));
         write_file(d.file("HFAC.DAT/keep"), "old\n");
       }, "1", "y", false,
       " HFAC.DAT cannot be opened: Is a directory\n" + NOT_FOUND + Q_PRINTER + Q_ITER9 +
           pass(TEST1) + FRAMES + Q_STORE + " HFAC.DAT: Is a directory\n" + not_stored,
       "HFAC.DAT/keep", "old\n"},
      // A link to something that is not a plain file (a pipe) is not replaced.
      {[](const TempDir& d) {
         mkfifo(d.file("pipe").c_str(), 0600);
         fs::create_symlink("pipe", d.file("HFAC.DAT"));
       }, "1", "y", false, Q_STORE + " pipe: not a plain file\n" + not_stored, "KALOOUT.DAT", "",
       ""},
      {[&](const TempDir& d) {
         fs::permissions(d.path, fs::perms::all);  // for the ordinary user
         write_file(d.file("HFAC.DAT"), good);
         fs::permissions(d.file("HFAC.DAT"), fs::perms::none);
       }, "1", "y", true,
       " HFAC.DAT cannot be opened: Permission denied\n" + NOT_FOUND + Q_PRINTER + Q_ITER9 +
           pass(TEST1) + FRAMES + "Display not opened!\n The result screens are skipped; the "
           "run goes on.\n" + Q_STORE + " HFAC.DAT: Permission denied\n" + not_stored,
       "HFAC.DAT", good},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    TempDir dir;
    if (c.setup) c.setup(dir);
    auto r = run_kalo(dir.path, answers({"1", "", c.load, "", c.miter, c.store, "N"}), c.as_user);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(mask(r.out).find(c.said), std::string::npos) << r.out;
    EXPECT_EQ(c.after.empty() ? "" : read_file(dir.file(c.kept)), c.after);
    EXPECT_EQ(fs::exists(dir.file("HFAC.DAT.tmp")), fs::is_directory(dir.file("HFAC.DAT.tmp")));
    EXPECT_FALSE(fs::exists(dir.file("sub/real.dat.tmp")));
    EXPECT_TRUE(c.kept != "sub/real.dat" || fs::is_symlink(dir.file("HFAC.DAT")));
  }
}

// KALOIN.DAT of the three triangles with line `n` (from 1) replaced, or
// ending before it when `text` is empty.
std::string kaloin_with(int n, const std::string& text) {
  std::istringstream in(kaloin());
  std::string out, l;
  for (int i = 1; std::getline(in, l) && (i != n || !text.empty()); ++i)
    out += (i == n ? text : l) + "\n";
  return out;
}

// Measured data that the run cannot use end it with one line naming the
// file, the line and what was wrong (or why the file cannot be opened),
// status 1 and no log: values whose matrix in cm, inverse, window or
// centroid would not be finite, one sample so large that the iteration's
// sums overflow, negative controls, a count or width out of range, a field
// that does not convert or is not finite, a file cut short, a file that is
// missing, a folder, unreadable or a line without end, and values single
// precision cannot hold.
TEST(KaloRun, UnusableDataEndTheRunWithOneLine) {
  const std::string line = " KALOIN.DAT, line ";
  auto data = [](int n, const std::string& text) {
    return [=](const TempDir& d) { write_file(d.file("KALOIN.DAT"), kaloin_with(n, text)); };
  };
  // The example data with its lines changed by `spoil`.
  using Lines = std::vector<std::string>;
  auto example = [](void (*spoil)(Lines&)) {
    return [=](const TempDir& d) {
      std::istringstream in(read_file(KALO_SOURCE_DIR "/examples/KALOIN.DAT"));
      Lines lines;
      for (std::string l; std::getline(in, l);) lines.push_back(l);
      spoil(lines);
      write_file(d.file("KALOIN.DAT"), answers(lines));
    };
  };
  const std::string matrix = ": expected R11, R12, R21, R22 of profile ",
                    shift = "2: expected XSHIF, SWID, YSHIF, TWID (4F10.3) and NL (I6), found a "
                            "shift ";
  const struct {
    std::function<void(const TempDir&)> setup;
    bool as_user;
    std::string said;
  } cases[] = {
      {data(3, "     1.000   1.0E+37     0.000     1.000"), false,
       line + "3: expected R11, R12, R21, R22 of profile 1 (4F10.3), found an R12 or R21 too "
              "large to convert to centimetres"},
      {data(10, "   1.0E+20     0.000     0.000   1.0E+20"), false,
       line + "10: expected R11, R12, R21, R22 of profile 2 (4F10.3), found a matrix that "
              "cannot be inverted (determinant inf)"},
      {data(2, "     0.000   3.0E+38     0.000     3.125     3"), false,
       line + "2: expected XSHIF, SWID, YSHIF, TWID (4F10.3) and NL (I6), found a window width "
              "SWID of 3e+38, with which the centroid of profile 1 overflows"},
      {data(13, "     0.     1.     2.     3.     4.     5.     4.     3.     2.   1E25"), false,
       line + "13: expected samples 21 to 30 of profile 2 (10F7.0), found a sample of 1e+25, "
              "more than 1E15 times the smallest positive sample of the profile (1)"},
      {data(2, "     0.000     3.125     0.000     3.125    21"), false,
       line + "2: expected a number of profiles NL (columns 41-46) from 1 to 20, found 21"},
      {data(2, "     0.000     0.000     0.000     3.125     3"), false,
       line + "2: expected a positive profile window width SWID (columns 11-20), found 0"},
      {data(12, "abc"), false, line + "12: expected samples 11 to 20 of profile 2 (10F7.0), "
                                      "found a field that does not convert"},
      {data(11, "     0.     0.     0.     0.     0.     0.     0.     0.     0.    inf"), false,
       line + "11: expected samples 1 to 10 of profile 2 (10F7.0), found a number that is not "
              "finite"},
      {data(9, ""), false,
       line + "9: expected sample 51 of profile 1 (F7.0), found the end of the file"},
      {data(24, "    0    5     0.010    -5.000    -0.500     0.050     0.100     0.000"), false,
       line + "24: expected ICEN, MITER (2I5) and PREC, QTOL, XPAR, RELMAX, RELFAC, TH "
              "(6F10.3), found a negative QTOL (-5)"},
      {data(24, "    0    5    -1.000     0.005    -0.500     0.050     0.100     0.000"), false,
       line + "24: expected ICEN, MITER (2I5) and PREC, QTOL, XPAR, RELMAX, RELFAC, TH "
              "(6F10.3), found a negative PREC (-1)"},
      {nullptr, false, " Sorry, file not existing\n KALOIN.DAT: No such file or directory"},
      {[](const TempDir& d) { fs::create_directory(d.file("KALOIN.DAT")); }, false,
       " Sorry, KALOIN.DAT cannot be opened: Is a directory"},
      {[](const TempDir& d) {
         fs::permissions(d.path, fs::perms::all);
         write_file(d.file("KALOIN.DAT"), kaloin());
         fs::permissions(d.file("KALOIN.DAT"), fs::perms::none);
       }, true, " Sorry, KALOIN.DAT cannot be opened: Permission denied"},
      {[](const TempDir& d) { fs::create_symlink("/dev/zero", d.file("KALOIN.DAT")); }, false,
       line + "1: expected the title, found a line longer than 65536 characters"},
      // Values whose grid, beam centre or inverse would be wrong in single
      // precision, and a profile of zero area.
      {example([](Lines& l) { l[1].replace(0, 10, "   1.0E+07"); }), false,
       line + shift + "XSHIF of 1e+07, so far from 0 that the grid's steps of 0.034 are lost "
                      "in single precision"},
      {example([](Lines& l) { l[1].replace(20, 10, "   1.0E+06"); }), false,
       line + shift + "YSHIF of 1e+06, so far from 0 that the grid's steps of 0.00036 are "
                      "lost in single precision"},
      {example([](Lines& l) {  // every matrix element times 1E-10
         for (std::size_t i = 2; i + 1 < l.size(); i += 7) {
           char scaled[41];
           for (int j = 0; j < 4; ++j)
             std::snprintf(scaled + 10 * j, 11, "%10.3E", std::stod(l[i].substr(10 * j, 10)) * 1E-10);
           l[i] = scaled;
         }
       }), false,
       line + "31" + matrix + "5 (4F10.3), found matrices so small that the beam centre cannot "
                              "be fitted (least-squares determinant 1.60005e-35, not well above "
                              "1e-20)"},
      {example([](Lines& l) { l[2] = "   1.0E-19     0.000     0.000   1.0E-19"; }), false,
       line + "3" + matrix + "1 (4F10.3), found a matrix that cannot be inverted (determinant "
                             "1e-38)"},
      {example([](Lines& l) {
         for (int i = 17; i < 23; ++i)
           for (char& ch : l[i]) ch = std::isdigit(ch) ? '0' : ch;
       }), false,
       line + "18: expected samples 1 to 10 of profile 3 (10F7.0), found a profile of zero "
              "area: it cannot be normalised"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    TempDir dir;
    if (c.setup) c.setup(dir);
    auto r = run_kalo(dir.path, answers({"", "", "", "", ""}), c.as_user);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.ends_with(c.said + "\n")) << r.out;
    EXPECT_FALSE(fs::exists(dir.file("KALOOUT.DAT")));
  }
}

// A run log that cannot be created or written stops the run once the
// dialogue reaches it: the stop's first line, then the file and the
// system's reason, status 1; a KALOOUT.DAT that was there is not damaged.
TEST(KaloRun, RunLogFaultsStopWithTheSystemsReason) {
  const struct {
    std::function<void(const TempDir&)> setup;
    std::string err;
  } cases[] = {
      {[](const TempDir& d) { fs::create_directory(d.file("KALOOUT.DAT")); },
       "open: can't open file\nKALOOUT.DAT could not be opened: Is a directory\n"},
      {[](const TempDir& d) { fs::create_symlink("/dev/full", d.file("KALOOUT.DAT")); },
       "write start: can't write file\nKALOOUT.DAT could not be written: No space left on device\n"},
      {[](const TempDir& d) {
         fs::permissions(d.path, fs::perms::all & ~fs::perms::owner_write &
                                     ~fs::perms::group_write & ~fs::perms::others_write);
       }, "open: can't open file\nKALOOUT.DAT could not be opened: Permission denied\n"},
      {[](const TempDir& d) {
         write_file(d.file("KALOOUT.DAT"), "old log\n");
         fs::permissions(d.file("KALOOUT.DAT"), fs::perms::owner_read | fs::perms::others_read);
       }, "startio: can't write file\nKALOOUT.DAT could not be written: Permission denied\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    TempDir dir;
    fs::permissions(dir.path, fs::perms::all);
    c.setup(dir);
    auto r = run_kalo(dir.path, answers({"1", "", "", "", "1", "n", "N"}), true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(r.out.ends_with(Q_ITER9)) << r.out;
    const std::string log = dir.file("KALOOUT.DAT");  // an old one is not damaged
    EXPECT_EQ(fs::is_regular_file(log) ? read_file(log) : "old log\n", "old log\n");
    fs::permissions(dir.path, fs::perms::owner_all);
  }
}

}  // namespace
