// The first run on a machine without a display: the scripted session runs the
// built program on the example data on a virtual X server of its own and
// must leave a screenshot of every frame, the known pages of every frame in
// KALO.PS and the PDF the print command made of it.  And the print command refuses
// bad arguments with one line and a non-zero status.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>

#include "tests/support/run_kalo.h"

namespace {

using namespace kalo_test;
namespace fs = std::filesystem;

const std::string SCRIPTS = std::string(KALO_SOURCE_DIR) + "/scripts/";

// Width and height of a PNG file from its header, 0 x 0 when it is none.
std::pair<int, int> png_size(const std::string& path) {
  const std::string s = read_file(path);
  if (s.size() < 24 || s.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || s.compare(12, 4, "IHDR") != 0)
    return {0, 0};
  auto be32 = [&](std::size_t at) {
    int v = 0;
    for (std::size_t i = at; i < at + 4; ++i) v = v * 256 + static_cast<unsigned char>(s[i]);
    return v;
  };
  return {be32(16), be32(20)};
}

TEST(FirstRun, ScriptedSessionShowsEveryFrameAndPrintsEachPage) {
  TempDir dir;
  const RunResult run = run_shell("env -u DISPLAY bash " + SCRIPTS + "first-run-session.sh " +
                                  KALO_BIN + " " + dir.path);
  ASSERT_EQ(run.status, 0) << run.out << run.err;

  // One screenshot of the whole window per frame, frame 3 twice.
  int shots = 0;
  for (const auto& f : fs::directory_iterator(dir.file("frames"))) {
    EXPECT_EQ(png_size(f.path().string()), std::make_pair(1015, 800)) << f.path();
    ++shots;
  }
  EXPECT_EQ(shots, 9);

  // A page for each of them, byte for byte the pages of the session looked
  // at once and kept (tests/golden), the time and date of each masked.
  std::string ps = std::regex_replace(read_file(dir.file("KALO.PS")), std::regex(R"(\(\d\d:\d\d:\d\d\))"), "(TIME)");
  ps = std::regex_replace(ps, std::regex(R"(\(\d?\d-[A-Z][a-z][a-z]-\d\d\))"), "(DATE)");
  const std::string golden = run_shell("gzip -dc " KALO_SOURCE_DIR "/tests/golden/first-run.ps.gz").out;
  EXPECT_TRUE(ps == golden) << "KALO.PS differs from the golden pages from byte "
                            << std::mismatch(ps.begin(), ps.end(), golden.begin(), golden.end()).first - ps.begin();

  // The program ran ./print itself, then answered its last question.
  EXPECT_EQ(read_file(dir.file("KALO.pdf")).substr(0, 5), "%PDF-");
  const std::string terminal = read_file(dir.file("terminal.txt"));
  EXPECT_NE(terminal.find("print: KALO.PS written as PDF to " + dir.file("KALO.pdf")), std::string::npos)
      << terminal;
  const std::string last = " Do you want to continue the iteration ? [Y/N] (Def=Y) ";
  EXPECT_TRUE(terminal.ends_with(last)) << terminal;
}

TEST(PrintCommand, RefusesABadPrinterNumberOrAMissingFile) {
  TempDir dir;
  write_file(dir.file("KALO.PS"), "%!PS-Adobe-3.0\nshowpage\n");
  for (const std::string args : {"0 KALO.PS", "5 KALO.PS", "x KALO.PS", "1 NONE.PS", "1", ""}) {
    const auto [status, out, err] =
        run_shell("cd " + dir.path + " && KALO_PRINT=pdf sh " + SCRIPTS + "print " + args);
    EXPECT_NE(status, 0) << args;
    EXPECT_TRUE(err.rfind("print: ", 0) == 0 && err.find('\n') == err.size() - 1) << args << ": " << err;
    EXPECT_FALSE(fs::exists(dir.file("KALO.pdf"))) << args;
  }
}

}  // namespace
