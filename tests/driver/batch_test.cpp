// Batch runs: the log and the H-factors equal the dialogue's for the same
// answers, bad options are refused with one line and leave nothing behind,
// several files give one folder each and summary.csv, and the results
// files read back.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "tests/support/run_kalo.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using kalo_test::read_file;

namespace {

const std::string EXAMPLES = std::string(KALO_SOURCE_DIR) + "/examples/";

// The log without its time fields.
std::string log_of(const std::string& file) {
  return std::regex_replace(read_file(file), std::regex("Time = +[0-9.*]+"), "Time =");
}

TEST(Batch, LogAndFactorsEqualTheDialogues) {
  unsetenv("DISPLAY");  // the dialogue skips its result screens
  // The example file (none: a test source), the batch options, the answers.
  const std::string rets = "\n\n\n\n";  // noise Y, factors 1, printer 1, MITER
  const std::string yn = "Y\nN\n";
  std::vector<std::array<std::string, 3>> cases = {
      {"KALOIN.DAT", "", "\n" + rets + yn},
      {"KALOIN20.DAT", "", "\n" + rets + yn},
      // Two more calls, the first with a new angle window.
      {"", "--test 5 --noise-reduction no --iterations 4 --continue 2 --twid 0.8",
       "5\nN\n\n\n4\nN\nY\n0.8\n\nN\nY\n\n" + yn}};
  for (int t = 1; t <= 6; ++t)
    cases.push_back({"", "--test " + std::to_string(t), std::to_string(t) + "\n" + rets + yn});
  for (const auto& [data, options, answers] : cases) {
    kalo_test::TempDir dir;
    std::string args = options;
    if (!data.empty()) {
      fs::copy_file(EXAMPLES + data, dir.file("KALOIN.DAT"));
      args += " --data " + EXAMPLES + data;
    }
    ASSERT_EQ(kalo_test::run_program(KALO_BIN, dir.path, answers, 60, {}).status, 0);
    const kalo_test::RunResult r = kalo_test::run_batch(dir.path, args + " --pages none --out out");
    ASSERT_EQ(r.status, 0) << args << r.err;
    EXPECT_EQ(log_of(dir.file("out/KALOOUT.DAT")), log_of(dir.file("KALOOUT.DAT"))) << args;
    EXPECT_EQ(read_file(dir.file("out/HFAC.DAT")), read_file(dir.file("HFAC.DAT"))) << args;
  }
}

// Regular files anywhere under `dir`.
int files_under(const std::string& dir) {
  int n = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir)) n += e.is_regular_file();
  return n;
}

TEST(Batch, RefusesWithOneLineAndLeavesNothing) {
  struct Case {
    std::string args;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"--bogus", 2, "--bogus"},
      {"--test 9", 2, "--test"},
      {"--test 1 --iterations -3", 2, "--iterations"},
      {"--test 1 --continue 1 --twid nan", 2, "--twid"},
      {"--data KALOIN.DAT --test 1", 2, "--test"},
      {"--test 1 --pages 9", 2, "--pages"},
      {"--data missing.dat", 1, "missing.dat: No such file or directory"},
      {"--test 1 --out file", 1, "file: not a folder"},
      {"--test 1 --out file/sub", 1, "file/sub"},
      {"--data short.dat", 1, "short.dat, line 3: expected R11, R12, R21, R22 of profile 1"},
      {"--test 1 --start short.dat", 1, "short.dat, line 1: expected NL (I3)"},
  };
  for (const Case& c : cases) {
    kalo_test::TempDir dir;
    kalo_test::write_file(dir.file("file"), "x");
    kalo_test::write_file(dir.file("short.dat"),
                          "title\n      0.00     1.000     0.000     0.020     1\n");
    const std::string out = c.args.find("--out") == std::string::npos ? " --out out" : "";
    const kalo_test::RunResult r = kalo_test::run_batch(dir.path, c.args + " --quiet --pages none" + out);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << c.args << ": " << r.err;
    EXPECT_EQ(files_under(dir.path), 2) << c.args;  // file and short.dat alone
  }
}

TEST(Batch, SeveralFilesGiveOneFolderEachAndASummary) {
  kalo_test::TempDir dir;
  kalo_test::write_file(dir.file("bad.dat"), "title\n");
  const kalo_test::RunResult r =
      kalo_test::run_batch(dir.path, "--quiet --pages none --out out --data " + EXAMPLES + "KALOIN.DAT" +
                          " --data bad.dat --data " + EXAMPLES + "KALOIN20.DAT");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("KALOIN.DAT: emittance_rms = "), 0u) << r.out;
  EXPECT_NE(r.out.find("\nKALOIN20.DAT: emittance_rms = "), std::string::npos) << r.out;
  EXPECT_EQ(files_under(dir.file("out/bad.dat")), 0);
  for (const char* name : {"KALOIN.DAT", "KALOIN20.DAT"})
    for (const char* file : {"KALOOUT.DAT", "HFAC.DAT", "results.json", "results.h5"})
      EXPECT_TRUE(fs::is_regular_file(dir.file("out/") + name + "/" + file)) << name << file;
  const std::string csv = read_file(dir.file("out/summary.csv"));
  EXPECT_TRUE(std::regex_search(csv, std::regex("\n[^\n]*/KALOIN.DAT,ok,yes,[0-9]+,[^\n]*\n"
                                                "[^\n]*/bad.dat,failed,,,,,,,,,,[^\n]*line 2: "
                                                "expected XSHIF[^\n]*\n[^\n]*/KALOIN20.DAT,ok,")))
      << csv;
}

}  // namespace
