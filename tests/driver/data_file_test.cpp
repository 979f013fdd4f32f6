#include "driver/data_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include "state/run_state.h"
#include "tests/support/temp_dir.h"

namespace {

// KALOIN.DAT with two profiles, as lines; sample k of profile l is 100 l + k.
std::vector<std::string> data_file() {
  std::vector<std::string> lines = {"Beam profile test run",
                                    "     0.300     2.000     0.002     0.020     2"};
  for (int l = 1; l <= 2; ++l) {
    lines.push_back(l == 1 ? "     1.000     0.500    -0.200     1.000" : "1.0");
    // Ten samples to a line.
    for (int k = 1; k <= 51; ++k)
      (k % 10 == 1 ? lines.emplace_back() : lines.back()) += "    " + std::to_string(100 * l + k);
  }
  lines.push_back("    1   25         5     0.004    -0.500     0.050     0.100     0.000");
  return lines;
}

void write(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  kalo_test::write_file(kalo_test::enter_temp_dir().file("KALOIN.DAT"), text);
}

// A damaged file ends the run with one line naming the line and what
// belonged there; a missing one with the "Sorry" line; both with status 1.
TEST(DataFile, DamagedFileEndsTheRunNamingTheLine) {
  unlink(kalo_test::enter_temp_dir().file("KALOIN.DAT").c_str());
  EXPECT_EXIT({ dup2(2, 1); readp(); }, testing::ExitedWithCode(1),
              "^ Sorry, file not existing\n$");
  // Line to replace (or to cut the file before), its text (nullptr: cut the
  // file there), and the message.
  const std::tuple<int, const char*, const char*> cases[] = {
      {2, "     0.300     2.000     0.002     0.020    21",
       "line 2: expected a number of profiles NL \\(columns 41-46\\) from 1 to 20, found 21"},
      {2, "     0.300     0.000     0.002     0.020     2",
       "line 2: expected a positive profile window width SWID \\(columns 11-20\\), found 0"},
      {12, "abc", "line 12: expected samples 11 to 20 of profile 2 \\(10F7.0\\), found a field "
                  "that does not convert"},
      {11, "    inf", "line 11: expected samples 1 to 10 of profile 2 \\(10F7.0\\), found a number "
                        "that is not finite"},
      {9, nullptr, "line 9: expected sample 51 of profile 1 \\(F7.0\\), found the end of the file"},
  };
  for (const auto& [line, text, message] : cases) {
    auto lines = data_file();
    if (text) lines[line - 1] = text; else lines.resize(line - 1);
    write(lines);
    EXPECT_EXIT({ dup2(2, 1); readp(); }, testing::ExitedWithCode(1),
                std::string("^ KALOIN.DAT, ") + message + "\n$");
  }
}

}  // namespace
