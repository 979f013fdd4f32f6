#include "driver/data_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "driver/text_records.h"

namespace {

namespace fs = std::filesystem;

void write_file(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Child {
  int status = -1;   // exit status, 128 + signal number when killed
  std::string out;   // everything written to standard output
};

// Runs `body` in a child process working in `dir`; returns how it ended.
Child run_child(const fs::path& dir, const std::function<void()>& body) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(90);
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    body();
    rec::close_all();
    std::fflush(nullptr);
    _exit(0);
  }
  int ws = 0;
  waitpid(pid, &ws, 0);
  Child c;
  c.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
  c.out = read_file(dir / "stdout.txt");
  return c;
}

std::string fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* format, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  return buf;
}

// Sample k of profile l in the generated files: a whole number.
float sample(int k, int l) { return float(100 * l + k); }

// A KALOIN.DAT as lines, in the fixed-column layout of the reader.
struct DataFile {
  std::vector<std::string> lines;

  DataFile(int nl, float xshif = 0.0f) {
    lines.push_back("Beam profile test run");
    lines.push_back(fmt("%10.3f%10.3f%10.3f%10.3f%6d", xshif, 2.0, 0.002, 0.02, nl));
    for (int l = 1; l <= nl; ++l) {
      if (l == 1)
        lines.push_back(fmt("%10.3f%10.3f%10.3f%10.3f", 1.0, 0.5, -0.2, 1.0));
      else
        lines.push_back(fmt("%10.3f%10.3f%10.3f%10.3f", 1.0, 0.1 * l, 0.0, 1.0));
      for (int first = 1; first <= 51; first += 10) {
        std::string line;
        for (int k = first; k < first + 10 && k <= 51; ++k) line += fmt("%7.0f", sample(k, l));
        lines.push_back(line);
      }
    }
    // PREC written without a decimal point.
    lines.push_back(fmt("%5d%5d%10s%10.3f%10.3f%10.3f%10.3f%10.3f", 1, 25, "5", 0.004, -0.5, 0.05,
                        0.1, 0.0));
  }
  std::string text() const {
    std::string t;
    for (const auto& line : lines) t += line + "\n";
    return t;
  }
};

class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kalo_data_file_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    reset_run_state();
  }
  void TearDown() override { fs::remove_all(dir); }

  // Reads `file` as KALOIN.DAT in this process.
  void read(const DataFile& file) {
    write_file(dir / "KALOIN.DAT", file.text());
    fs::path here = fs::current_path();
    fs::current_path(dir);
    readp();
    fs::current_path(here);
  }
  // Reads `text` as KALOIN.DAT in a child process, which ends the run on a fault.
  Child read_failing(const std::string& text) {
    write_file(dir / "KALOIN.DAT", text);
    return run_child(dir, [] { readp(); });
  }

  fs::path dir;
};

TEST_F(DataFileTest, StoresFieldsAsReadAndConvertsMatrixAndBuildsGrid) {
  DataFile file(2);
  // Three ways of writing a sample: with a point, without one, blank.
  file.lines[3].replace(0, 21, "    12.     12       ");
  file.lines[4].replace(0, 7, "     -3");  // negative samples are kept for the preparation
  read(file);

  EXPECT_EQ(trol.TITLE.view(), std::string("Beam profile test run").append(59, ' '));
  EXPECT_EQ(expd.NK, 51);
  EXPECT_EQ(expd.NL, 2);
  EXPECT_EQ(expd.LREF, 1);
  // Metres to centimetres: R12 times 100, R21 times 0.01.
  EXPECT_EQ(stor.RMAT(1, 1, 1), 1.0f);
  EXPECT_FLOAT_EQ(stor.RMAT(1, 2, 1), 50.0f);
  EXPECT_FLOAT_EQ(stor.RMAT(2, 1, 1), -0.002f);
  EXPECT_EQ(stor.RMAT(2, 2, 1), 1.0f);
  EXPECT_FLOAT_EQ(stor.RMAT(1, 2, 2), 20.0f);

  EXPECT_EQ(expd.PR(1, 1), 12.0f);
  EXPECT_EQ(expd.PR(2, 1), 12.0f);
  EXPECT_EQ(expd.PR(3, 1), 0.0f);
  EXPECT_EQ(expd.PR(11, 1), -3.0f);
  for (int l = 1; l <= 2; ++l)
    for (int k = 12; k <= 51; ++k) ASSERT_EQ(expd.PR(k, l), sample(k, l)) << k << "," << l;
  EXPECT_EQ(expd.PR(1, 2), sample(1, 2));

  EXPECT_EQ(trol.ICEN, 1);
  EXPECT_EQ(trol.MITER, 25);
  EXPECT_FLOAT_EQ(trol.PREC, 0.005f);  // "5" under F10.3
  EXPECT_FLOAT_EQ(trol.QTOL, 0.004f);
  EXPECT_FLOAT_EQ(trol.XPAR, -0.5f);
  EXPECT_FLOAT_EQ(trol.RELMAX, 0.05f);
  EXPECT_FLOAT_EQ(trol.RELFAC, 0.1f);
  EXPECT_EQ(trol.TH, 0.0f);

  EXPECT_EQ(stor.SLIM, 1.0f);
  EXPECT_FLOAT_EQ(stor.TLIM, 0.01f);
  EXPECT_FLOAT_EQ(tywid.TWID, 0.02f);
  EXPECT_FLOAT_EQ(tywid.YSHIF, 0.002f);
  EXPECT_FLOAT_EQ(expd.STEP, 0.04f);
  EXPECT_FLOAT_EQ(expd.RSTEP, 25.0f);
  EXPECT_EQ(expd.SMID(1), 1.0f);
  EXPECT_EQ(expd.SMID(2), 1.0f);
  EXPECT_EQ(tran.NX, 51);
  EXPECT_EQ(tran.NY, 51);
  EXPECT_FLOAT_EQ(tran.XGRID(1), -1.0f);
  EXPECT_NEAR(tran.XGRID(26), 0.0f, 1e-6);
  EXPECT_FLOAT_EQ(tran.XGRID(51), 1.0f);
  EXPECT_FLOAT_EQ(tran.YGRID(1), -0.008f);
  EXPECT_FLOAT_EQ(tran.YGRID(26), 0.002f);
  EXPECT_FLOAT_EQ(tran.YGRID(51), 0.012f);
}

TEST_F(DataFileTest, XShiftMovesOnlyTheXGrid) {
  read(DataFile(2, 0.0f));
  expd_t profiles = expd;
  stor_t geometry = stor;
  tran_t grid = tran;
  reset_run_state();
  read(DataFile(2, 0.3f));
  EXPECT_EQ(std::memcmp(&profiles, &expd, sizeof expd), 0);
  EXPECT_EQ(std::memcmp(&geometry, &stor, sizeof stor), 0);
  for (int i = 1; i <= 51; ++i) EXPECT_NEAR(tran.XGRID(i) - grid.XGRID(i), 0.3f, 1e-6) << i;
  for (int j = 1; j <= 51; ++j) EXPECT_EQ(tran.YGRID(j), grid.YGRID(j)) << j;
}

TEST_F(DataFileTest, ReadsOneAndTwentyProfilesAndNothingBeyond) {
  for (int nl : {1, 20}) {
    SCOPED_TRACE(nl);
    reset_run_state();
    DataFile file(nl);
    ASSERT_EQ(file.lines.size(), size_t(3 + 7 * nl));
    file.lines.push_back("    trailing text is not part of the data");
    read(file);
    EXPECT_EQ(expd.NL, nl);
    EXPECT_EQ(expd.PR(51, nl), sample(51, nl));
    EXPECT_EQ(trol.MITER, 25);
    if (nl < MAXL) {
      EXPECT_EQ(expd.PR(1, nl + 1), 0.0f);
    }
  }
}

TEST_F(DataFileTest, MissingFileEndsWithTheSorryLine) {
  Child c = run_child(dir, [] { readp(); });
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.out, " Sorry, file not existing\n");
}

// Every damaged file ends the run with one line naming the line and what
// belonged there, and a non-zero exit status.
TEST_F(DataFileTest, DamagedFilesEndWithOneMessageNamingTheLine) {
  struct Case {
    const char* what;
    std::function<void(DataFile&)> damage;
    const char* message;
  };
  const auto geometry = [](DataFile& f, const char* swid, const char* twid, const char* nl) {
    f.lines[1] = fmt("%10.3f%10s%10.3f%10s%6s", 0.0, swid, 0.002, twid, nl);
  };
  const Case cases[] = {
      {"empty file", [](DataFile& f) { f.lines.clear(); },
       "line 1: expected the title, found the end of the file"},
      {"NL zero", [&](DataFile& f) { geometry(f, "2.0", "0.02", "0"); },
       "line 2: expected a number of profiles NL (columns 41-46) from 1 to 20, found 0"},
      {"NL above capacity", [&](DataFile& f) { geometry(f, "2.0", "0.02", "21"); },
       "line 2: expected a number of profiles NL (columns 41-46) from 1 to 20, found 21"},
      {"NL negative", [&](DataFile& f) { geometry(f, "2.0", "0.02", "-4"); },
       "line 2: expected a number of profiles NL (columns 41-46) from 1 to 20, found -4"},
      {"NL not a number", [&](DataFile& f) { geometry(f, "2.0", "0.02", "two"); },
       "line 2: expected XSHIF, SWID, YSHIF, TWID (4F10.3) and NL (I6), found a field that does "
       "not convert"},
      {"zero profile width", [&](DataFile& f) { geometry(f, "0.0", "0.02", "2"); },
       "line 2: expected a positive profile window width SWID (columns 11-20), found 0"},
      {"negative t width", [&](DataFile& f) { geometry(f, "2.0", "-0.5", "2"); },
       "line 2: expected a positive t window width TWID (columns 31-40), found -0.5"},
      {"matrix field", [](DataFile& f) { f.lines[9].replace(0, 10, "      1.0x"); },
       "line 10: expected R11, R12, R21, R22 of profile 2 (4F10.3), found a field that does not "
       "convert"},
      {"sample field", [](DataFile& f) { f.lines[11].replace(7, 7, "   abc "); },
       "line 12: expected samples 11 to 20 of profile 2 (10F7.0), found a field that does not "
       "convert"},
      {"ends inside a profile", [](DataFile& f) { f.lines.resize(8); },
       "line 9: expected sample 51 of profile 1 (F7.0), found the end of the file"},
      {"ends before the controls", [](DataFile& f) { f.lines.resize(16); },
       "line 17: expected ICEN, MITER (2I5) and PREC, QTOL, XPAR, RELMAX, RELFAC, TH (6F10.3), "
       "found the end of the file"},
      {"control field", [](DataFile& f) { f.lines[16].replace(0, 5, "  1.5"); },
       "line 17: expected ICEN, MITER (2I5) and PREC, QTOL, XPAR, RELMAX, RELFAC, TH (6F10.3), "
       "found a field that does not convert"},
      // One profile more declared than written: the controls are taken as a
      // matrix, then the samples are missing.
      {"NL too large for the file", [&](DataFile& f) { geometry(f, "2.0", "0.02", "3"); },
       "line 18: expected samples 1 to 10 of profile 3 (10F7.0), found the end of the file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DataFile file(2);
    c.damage(file);
    Child run = read_failing(file.text());
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, std::string(" KALOIN.DAT, ") + c.message + "\n");
  }
}

}  // namespace
