// End-to-end runs of faults in the run's dialogue and data: answers on
// standard input, then what the terminal and the log show.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/kalo_window.h"
#include "tests/support/run_kalo.h"

namespace {

using namespace kalo_test;
namespace fs = std::filesystem;

const std::string FRAMES_END = " 8: Overview collection\n";

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
    auto r = run_kalo(dir.path, "1\n\n\n\n1\nn\nn\n",  // a page of frame 6
                      with_window([](KaloWindow& w) { w.keys("6\np\n\n"); }));
    EXPECT_NE(r.out.find(FRAMES_END + c.said + " Do you want to store"), std::string::npos)
        << r.out;
  }
}

}  // namespace
