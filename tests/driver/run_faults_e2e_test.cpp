// End-to-end runs of faults in the run's dialogue and data: answers on
// standard input, then what the terminal and the log show.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/kalo_window.h"
#include "tests/support/run_kalo.h"

namespace {

using namespace kalo_test;
namespace fs = std::filesystem;

const std::string FRAMES_END = " 8: Overview collection\n";

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

// Continuing from the factors a call ended with repeats the sweep it undid;
// that sweep is undone again, so the kept fit never gets worse, and the
// stall is reported once.
TEST(RunFaults, ContinueNeverKeepsAWorseSweep) {
  TempDir dir;
  fs::copy_file(fs::path(KALO_SOURCE_DIR) / "examples/KALOIN20.DAT", dir.file("KALOIN.DAT"));
  auto r = run_kalo(dir.path, "\n\n\n\n\nn\n\n\nn\n\n\nn\n\n\nn\nn\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count(r.out, " The fit cannot improve further with these settings; a new TWID or a "
                         "cut may help.\n"), 1);
  const std::string log = read_file(dir.file("KALOOUT.DAT"));
  std::vector<std::string> qavd;  // of each call
  for (auto p = log.find("QAVD = "); p != std::string::npos; p = log.find("QAVD = ", p + 1))
    qavd.push_back(log.substr(p, 17));
  EXPECT_EQ(qavd, std::vector<std::string>(4, qavd.at(0)));
}

// A test source shows the t window it uses (TLIM = 0.5) as the TWID
// default, and RET keeps it: no new start factors are asked for.
TEST(RunFaults, TwidDefaultOfATestSourceIsItsWindow) {
  TempDir dir;
  auto r = run_kalo(dir.path, "1\n\n\n\n1\nn\n\n\nn\nn\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count(r.out, " Enter new TWID (D = 1.000 rad) "), 1) << r.out;
  EXPECT_EQ(count(r.out, " Enter F for HFAC from file"), 1);
  EXPECT_EQ(count(read_file(dir.file("KALOOUT.DAT")), "TLIM ="), 1);
}

// Measured data whose grid, beam centre or matrix inverse would be wrong in
// single precision, or a profile of zero area: one line naming the line of
// KALOIN.DAT and what was expected there, status 1, no log.
TEST(RunFaults, DataThatSinglePrecisionCannotHoldIsRefusedByLine) {
  using Lines = std::vector<std::string>;
  const std::string at = " KALOIN.DAT, line ", matrix = ": expected R11, R12, R21, R22 of profile ",
                    geometry = "2: expected XSHIF, SWID, YSHIF, TWID (4F10.3) and NL (I6), found "
                               "a shift ";
  const struct { void (*spoil)(Lines&); std::string said; } cases[] = {
      {[](Lines& l) { l[1].replace(0, 10, "   1.0E+07"); },
       at + geometry + "XSHIF of 1e+07, so far from 0 that the grid's steps of 0.034 are lost "
                       "in single precision"},
      {[](Lines& l) { l[1].replace(20, 10, "   1.0E+06"); },
       at + geometry + "YSHIF of 1e+06, so far from 0 that the grid's steps of 0.00036 are "
                       "lost in single precision"},
      {[](Lines& l) {  // every matrix element times 1E-10
         for (std::size_t i = 2; i + 1 < l.size(); i += 7) {
           char scaled[41];
           for (int j = 0; j < 4; ++j)
             std::snprintf(scaled + 10 * j, 11, "%10.3E", std::stod(l[i].substr(10 * j, 10)) * 1E-10);
           l[i] = scaled;
         }
       },
       at + "31" + matrix + "5 (4F10.3), found matrices so small that the beam centre cannot be "
                            "fitted (least-squares determinant 1.60005e-35, not well above 1e-20)"},
      {[](Lines& l) { l[2] = "   1.0E-19     0.000     0.000   1.0E-19"; },
       at + "3" + matrix + "1 (4F10.3), found a matrix that cannot be inverted (determinant 1e-38)"},
      {[](Lines& l) {
         for (int i = 17; i < 23; ++i)
           for (char& ch : l[i]) ch = std::isdigit(ch) ? '0' : ch;
       },
       at + "18: expected samples 1 to 10 of profile 3 (10F7.0), found a profile of zero area: it "
            "cannot be normalised"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    TempDir dir;
    std::istringstream in(read_file(std::string(KALO_SOURCE_DIR) + "/examples/KALOIN.DAT"));
    Lines lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    c.spoil(lines);
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    write_file(dir.file("KALOIN.DAT"), text);
    auto r = run_kalo(dir.path, "\n\n\n\n\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.ends_with(c.said + "\n")) << r.out;
    EXPECT_FALSE(fs::exists(dir.file("KALOOUT.DAT")));
  }
}

// A print command that cannot be run (missing, not executable, without its
// interpreter) is reported in one line; a script without a "#!" line runs.
TEST(RunFaults, PrintCommandThatCannotBeRun) {
  const std::string kept = " KALO.PS is kept; the print command ./print could not be run: ";
  const struct { const char* print; fs::perms perms; std::string said; } cases[] = {
      {nullptr, {}, kept + "No such file or directory\n"},
      {"#!/bin/sh\n", fs::perms::owner_read, kept + "Permission denied\n"},
      {"#!/no/shell\n", fs::perms::owner_all, kept + "No such file or directory\n"},
      {"echo printed $@\n", fs::perms::owner_all, "printed 1 KALO.PS\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    TempDir dir;
    if (c.print) {
      write_file(dir.file("print"), c.print);
      fs::permissions(dir.file("print"), c.perms);
    }
    auto r = run_kalo(dir.path, "1\n\n\n\n1\nn\nn\n", During([](const auto& alive) {
                        KaloWindow w;
                        if (w.find(alive)) w.keys("6\np\n\n");  // a page of frame 6
                      }));
    EXPECT_NE(r.out.find(FRAMES_END + c.said + " Do you want to store"), std::string::npos)
        << r.out;
  }
}

}  // namespace
