// kalo-format, driven as a separate program: records on standard output, the
// read report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_kalo.h"

namespace {

// Runs kalo-format with args (each quoted for the shell) and input on
// standard input, in the test's working folder.
kalo_test::RunResult kalo_format(std::vector<std::string> args, const std::string& input = "") {
  std::string command = KALO_FORMAT_BIN;
  for (std::string& a : args) {
    for (std::size_t i = 0; (i = a.find('\'', i)) != std::string::npos; i += 4)
      a.replace(i, 1, "'\\''");
    command += "' '" + a;
  }
  return kalo_test::run_program(command, ".", input);
}

TEST(KaloFormat, WriteListAndRead) {
  const struct { std::vector<std::string> args; std::string input, out; } cases[] = {
      // Free layout: a text first on its line gets a blank, a number its own
      // blank and sign column; a record full at 80 columns goes on in the next.
      {{"list", "a:a", "a:b", "i:-42", "r:1.5", "r:-2", "r:0", "r:1e10", "r:0.1", "r:123456789"},
       "", " ab -42  1.5 -2.  0.  1.E+10  0.100000001  123456792.\n"},
      {{"list", "a:v", "r:-1.25e-5", "r:-1.25e-5", "r:-1.25e-5", "r:-1.25e-5", "r:-1.25e-5",
        "r:-1.25e-5", "r:-1.25e-5", "r:-1.25e-5"}, "",
       " v -1.24999997E-05 -1.24999997E-05 -1.24999997E-05 -1.24999997E-05\n"
       " -1.24999997E-05 -1.24999997E-05 -1.24999997E-05 -1.24999997E-05\n"},
      {{"read", "(I3,A6,/,F6.3)", "i", "a4", "r"}, "  2Title\n15",
       "status 0\n2\n|tle |\n0.0149999997\n"},
      {{"read", "(A,A2)", "a4", "a4"}, "abcdefgh\n", "status 0\n|abcd|\n|ef  |\n"},
      {{"read", "(A1,A)", "a1", "a5"}, "\n", "status 0\n| |\n|     |\n"},
      {{"read", "(I2)", "i", "i"}, " 1\n", "status -1\n1\n0\n"},  // reverts to the next line
  };
  for (const auto& c : cases) {
    kalo_test::RunResult r = kalo_format(c.args, c.input);
    EXPECT_EQ(r.status, 0) << c.args[1] << r.err;
    EXPECT_EQ(r.out, c.out) << c.args[1] << " '" << c.input << "'";
  }
}

}  // namespace
