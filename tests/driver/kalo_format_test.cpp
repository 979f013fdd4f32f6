// kalo-format, driven as a separate program: records on standard output, the
// read report, bad command lines and the fatal stop of the record I/O.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  int status = -1;  // exit status, -1 when ended by a signal
  int signal = 0;   // the signal that ended it
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs kalo-format with args and input on standard input.
Outcome kalo_format(const std::vector<std::string>& args, const std::string& input = "") {
  std::string base = "kalo_format_" + std::to_string(getpid());
  std::string in = base + ".in", out = base + ".out", err = base + ".err";
  std::ofstream(in, std::ios::binary) << input;
  pid_t pid = fork();
  if (pid == 0) {
    int fi = ::open(in.c_str(), O_RDONLY);
    int fo = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int fe = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fi, 0);
    dup2(fo, 1);
    dup2(fe, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(KALO_FORMAT_BIN));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(KALO_FORMAT_BIN, argv.data());
    _exit(127);
  }
  int ws = 0;
  waitpid(pid, &ws, 0);
  Outcome r;
  if (WIFEXITED(ws)) r.status = WEXITSTATUS(ws);
  if (WIFSIGNALED(ws)) r.signal = WTERMSIG(ws);
  r.out = slurp(out);
  r.err = slurp(err);
  std::remove(in.c_str());
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

struct Case {
  std::vector<std::string> args;
  std::string input;
  std::string out;
};

TEST(KaloFormat, WriteListAndRead) {
  const Case cases[] = {
      {{"write", "(1P,E9.2,0P,F4.1,I2)", "r:0x1.8p0", "r:-0.04", "i:123"}, "", " 1.50E+00 0.0**\n"},
      {{"write", "(F6.1,F5.1)", "r:nan", "r:-inf"}, "", "   NaN -Inf\n"},
      {{"write", "(I3,A,A4)", "i:-12", "a:ab", "a:c"}, "", "-12ab   c\n"},
      {{"write", "(' D =',I2,') ',$)", "i:20"}, "", " D =20) "},
      {{"write", "(2I2)", "i:1", "i:2", "i:3"}, "", " 1 2\n 3\n"},
      {{"list", "a:st", "r:0.5", "i:-3", "r:-1e-7"}, "", " st  0.5 -3 -1.00000001E-07\n"},
      {{"read", "(I2)", "i"}, "7 \n", "status 0\n7\n"},
      {{"read", "(F6.3)", "r"}, "15", "status 0\n0.0149999997\n"},
      {{"read", "(A1,A)", "a1", "a5"}, "\n", "status 0\n| |\n|     |\n"},
      {{"read", "(I3,A6)", "i", "a4"}, "  2Title\n", "status 0\n2\n|tle |\n"},
      {{"read", "(2F5.1)", "r", "r", "r"}, "  1.0  2.0\n  3.5\n", "status 0\n1\n2\n3.5\n"},
      {{"read", "(I2)", "i", "i"}, " 1\n", "status -1\n1\n0\n"},
  };
  for (const Case& c : cases) {
    Outcome r = kalo_format(c.args, c.input);
    EXPECT_EQ(r.status, 0) << c.args[1] << r.err;
    EXPECT_EQ(r.out, c.out) << c.args[1] << " '" << c.input << "'";
  }
  Outcome r = kalo_format({"read", "(I1)", "i"}, "P\n");
  ASSERT_EQ(r.out.substr(0, 7), "status ");
  EXPECT_GT(std::stoi(r.out.substr(7)), 0);
}

TEST(KaloFormat, BadCommandLinesAreRefused) {
  const std::vector<std::string> bad[] = {
      {}, {"frobnicate"}, {"write"}, {"write", "(I2)", "i:12x"}, {"write", "(I2)", "i:99999999999"},
      {"write", "(F5.1)", "r:"}, {"write", "(I2)", "q:1"}, {"read", "(I2)", "b"}, {"read", "(A)", "a0"},
  };
  for (const auto& args : bad) {
    Outcome r = kalo_format(args);
    EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args.back());
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
}

// A failure the tool does not handle is the record layer's fatal stop, and
// what was written before it is not lost.
TEST(KaloFormat, UnhandledFailureStops) {
  Outcome r = kalo_format({"write", "('ok',/,I2", "i:3"});
  EXPECT_EQ(r.signal, SIGABRT);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), "write start: error in format\n");
  r = kalo_format({"write", "('ok',/,I2)", "r:1"});
  EXPECT_EQ(r.signal, SIGABRT);
  EXPECT_EQ(r.out, "ok\n");
  EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), "write start: bad variable type\n");
}

}  // namespace
