#include "driver/prep.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "driver/test_sources.h"
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

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

struct Child {
  int status = -1;        // exit status, 128 + signal number when killed
  std::string out;        // everything written to standard output
  bool returned = false;  // the body returned; the run state was copied back
};

// The records a child hands back to the test.
struct Record {
  void* p;
  size_t size;
};
const Record RECORDS[] = {{&trol, sizeof trol},     {&expd, sizeof expd},   {&stor, sizeof stor},
                          {&tran, sizeof tran},     {&conti, sizeof conti}, {&pint, sizeof pint},
                          {&coltag, sizeof coltag}, {&tywid, sizeof tywid}, {&blank, sizeof blank}};

// Runs `body` in a child process working in `dir`, with `input` as the
// terminal input; when the body returns, the run state it left is copied
// back into this process.
Child run_child(const fs::path& dir, const std::string& input, const std::function<void()>& body) {
  write_file(dir / "stdin.txt", input);
  fs::remove(dir / "state.bin");
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(90);
    int in = ::open("stdin.txt", O_RDONLY);
    int out = ::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    body();
    rec::close_all();
    std::fflush(nullptr);
    std::FILE* f = std::fopen("state.bin", "wb");
    for (const Record& r : RECORDS) std::fwrite(r.p, r.size, 1, f);
    std::fclose(f);
    _exit(0);
  }
  int ws = 0;
  waitpid(pid, &ws, 0);
  Child c;
  c.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
  c.out = read_file(dir / "stdout.txt");
  if (std::FILE* f = std::fopen((dir / "state.bin").c_str(), "rb")) {
    c.returned = true;
    for (const Record& r : RECORDS) c.returned = c.returned && std::fread(r.p, r.size, 1, f) == 1;
    std::fclose(f);
  }
  return c;
}

const std::string NOT_FOUND = " HFAC.DAT not found, taking internal values.\n";

class PrepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kalo_prep_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    reset_run_state();
  }
  void TearDown() override { fs::remove_all(dir); }

  // Three profiles on a window of 1 cm, each with a few spikes, and three
  // transfer matrices of determinants 1, 3 and 1.
  void three_profiles(int icen) {
    trol.TITLE = "Three spikes";
    trol.ICEN = icen;
    expd.NK = 51;
    expd.NL = 3;
    expd.LREF = 1;
    stor.SLIM = 0.5f;
    expd.STEP = 0.02f;
    for (int l = 1; l <= 3; ++l) expd.SMID(l) = 0.5f;
    // Profile 1: area 0.5 * 4 + 10 = 12, the -3 is clipped away.
    expd.PR(1, 1) = 4;
    expd.PR(5, 1) = -3;
    expd.PR(11, 1) = 10;
    // Profile 2: area 20 + 0.5 * 8 = 24, scaled by 0.5.
    expd.PR(31, 2) = 20;
    expd.PR(51, 2) = 8;
    // Profile 3: area 6, scaled by 2.
    expd.PR(26, 3) = 6;
    const float m[3][4] = {{1, 0, 0, 1}, {2, 1, 0, 1.5f}, {1, -1, 0.5f, 0.5f}};
    for (int l = 1; l <= 3; ++l) {
      stor.RMAT(1, 1, l) = m[l - 1][0];
      stor.RMAT(1, 2, l) = m[l - 1][1];
      stor.RMAT(2, 1, l) = m[l - 1][2];
      stor.RMAT(2, 2, l) = m[l - 1][3];
    }
  }

  // State for the start-value question alone: two profiles, and a marker
  // in every H-factor slot.
  void hfac_state() {
    trol.TITLE = "Reloaded run";
    expd.NK = 51;
    expd.NL = 2;
    for (int l = 1; l <= MAXL; ++l)
      for (int k = 1; k <= MAXK; ++k) stor.HFAC(k, l) = 7.0f;
  }

  fs::path dir;
};

// Value written for sample k of profile l in a generated HFAC.DAT, and its
// text under E11.3.
int mantissa(int k, int l) { return 100 + 13 * k + 7 * l; }
float hfac_value(int k, int l) { return std::strtof(("0." + std::to_string(mantissa(k, l)) + "E+01").c_str(), nullptr); }

std::string hfac_text(int nl, const std::string& title) {
  char line[100];
  std::snprintf(line, sizeof line, "%3d%-80s\n", nl, title.c_str());
  std::string text = line;
  for (int l = 1; l <= nl; ++l)
    for (int k = 1; k <= 51; ++k) {
      std::snprintf(line, sizeof line, "  0.%03dE+01", mantissa(k, l));
      text += line;
      if (k % 7 == 0 || k == 51) text += "\n";
    }
  return text;
}

TEST(NoiseReduction, RemovesEverythingBeyondTheZerosNearestThePeak) {
  struct Case {
    std::vector<float> in, out;
  } cases[] = {
      {{0, 0, 5, 0, 2, 9, 4, 0, 0, 1, 3, 0}, {0, 0, 0, 0, 2, 9, 4, 0, 0, 0, 0, 0}},
      // Without zero samples nothing changes.
      {{1, 2, 3, 2, 1}, {1, 2, 3, 2, 1}},
      // No positive sample: nothing to remove.
      {{0, 0, 0, 0}, {0, 0, 0, 0}},
      // Whole numbers: the first sample holding the maximum is the peak.
      {{0, 3, 0, 3, 0}, {0, 3, 0, 0, 0}},
      {{4, 0, 2, 8, 1, 0, 6}, {0, 0, 2, 8, 1, 0, 0}},
  };
  for (const Case& c : cases) {
    reset_run_state();
    expd.NK = int(c.in.size());
    expd.NL = 2;
    for (int k = 1; k <= expd.NK; ++k) {
      expd.PR(k, 1) = c.in[k - 1];
      expd.PR(k, 2) = c.in[expd.NK - k];  // the same profile mirrored
    }
    noisered();
    for (int k = 1; k <= expd.NK; ++k) {
      EXPECT_EQ(expd.PR(k, 1), c.out[k - 1]) << "sample " << k << " of case " << &c - cases;
    }
    if (&c != &cases[3]) {  // a mirrored double peak has another first maximum
      for (int k = 1; k <= expd.NK; ++k) EXPECT_EQ(expd.PR(k, 2), c.out[expd.NK - k]) << k;
    }
  }
}

TEST_F(PrepTest, NormalisesCentresAndInvertsTheGeometry) {
  for (int icen : {0, 1, 2, 5}) {
    SCOPED_TRACE(icen);
    reset_run_state();
    three_profiles(icen);
    Child c = run_child(dir, "N\n\n", [] { prep(); });
    ASSERT_TRUE(c.returned) << c.out;

    // Clipped, then every profile scaled to the weighted area 12.
    EXPECT_EQ(expd.PR(5, 1), 0.0f);
    EXPECT_EQ(expd.PR(1, 1), 4.0f);
    EXPECT_EQ(expd.PR(31, 2), 10.0f);
    EXPECT_EQ(expd.PR(51, 2), 4.0f);
    EXPECT_EQ(expd.PR(26, 3), 12.0f);
    // Centroids in cm from the first sample.
    EXPECT_FLOAT_EQ(stor.SCEN(1), 0.2f * 10 / 12);
    EXPECT_FLOAT_EQ(stor.SCEN(2), (0.6f * 10 + 1.0f * 4 * 0.5f) / 12);
    EXPECT_FLOAT_EQ(stor.SCEN(3), 0.5f);

    // RINV inverts RMAT; AMAT, BMAT are the first row of RMAT(i) * RINV(j).
    for (int l = 1; l <= 3; ++l)
      for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 2; ++j) {
          double p = double(stor.RMAT(i, 1, l)) * stor.RINV(1, j, l) +
                     double(stor.RMAT(i, 2, l)) * stor.RINV(2, j, l);
          EXPECT_NEAR(p, i == j ? 1.0 : 0.0, 1e-6) << i << j << l;
        }
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 3; ++j) {
        double a11 = stor.RMAT(1, 1, j), a12 = stor.RMAT(1, 2, j);
        double a21 = stor.RMAT(2, 1, j), a22 = stor.RMAT(2, 2, j);
        double det = a11 * a22 - a12 * a21;
        double r1 = stor.RMAT(1, 1, i), r2 = stor.RMAT(1, 2, i);
        EXPECT_NEAR(pint.AMAT(i, j), (r1 * a22 - r2 * a21) / det, 1e-6) << i << j;
        EXPECT_NEAR(pint.BMAT(i, j), (-r1 * a12 + r2 * a11) / det, 1e-6) << i << j;
      }

    // The centre is the least-squares solution of R11 x + R12 y = SCEN - SMID.
    double t11 = 0, t22 = 0, t12 = 0, b1 = 0, b2 = 0;
    for (int l = 1; l <= 3; ++l) {
      double cp = stor.RMAT(1, 1, l), sp = stor.RMAT(1, 2, l), rel = stor.SCEN(l) - 0.5;
      t11 += cp * cp, t22 += sp * sp, t12 += cp * sp, b1 += cp * rel, b2 += sp * rel;
    }
    double det = t11 * t22 - t12 * t12;
    double x = (t22 * b1 - t12 * b2) / det, y = (t11 * b2 - t12 * b1) / det;
    EXPECT_NEAR(stor.XCEN, x, 1e-6);
    EXPECT_NEAR(stor.YCEN, y, 1e-6);

    for (int l = 1; l <= 3; ++l) {
      double centre = x * stor.RMAT(1, 1, l) + y * stor.RMAT(1, 2, l);
      // 0: s = 0 mid-window; 2: at each centroid; else the centroid sits at
      // the projection of the fitted centre.
      double expected = icen == 0 ? 0.5 : icen == 2 ? stor.SCEN(l) : stor.SCEN(l) - centre;
      EXPECT_NEAR(stor.SREF(l), expected, 1e-6) << l;
      for (int k = 1; k <= 51; ++k) ASSERT_EQ(stor.HFAC(k, l), 1.0f);
    }
  }
}

TEST_F(PrepTest, TestSourcesAreCentredOnTheirDensity) {
  struct Case {
    int ntest;
    double x, y;
  } cases[] = {{1, 0.05, 0.0}, {3, -0.05 * 0.6207, 0.02 * 0.6207}, {6, 0.02, 0.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ntest);
    reset_run_state();
    trol.NTEST = c.ntest;
    Child run = run_child(dir, "\n\n", [] {
      setp();
      prep();
    });
    ASSERT_TRUE(run.returned);
    for (int l = 1; l <= 3; ++l) EXPECT_EQ(stor.SREF(l), stor.SLIM);
    EXPECT_NEAR(stor.XCEN, c.x, 0.002);
    EXPECT_NEAR(stor.YCEN, c.y, 0.002);
  }
}

TEST_F(PrepTest, NoiseQuestionAnswers) {
  struct Case {
    const char* input;
    bool reduced;
  } cases[] = {{"\n\n", true}, {"Y\n\n", true}, {"y\n\n", true}, {"N\n\n", false},
               {"n\n\n", false}, {"x\n\n", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    reset_run_state();
    three_profiles(0);
    Child run = run_child(dir, c.input, [] { prep(); });
    ASSERT_TRUE(run.returned);
    // The end sample of profile 1 lies beyond the zeros around its peak.
    EXPECT_EQ(expd.PR(1, 1) == 0.0f, c.reduced);
    EXPECT_EQ(run.out.find("HFAC.DAT"), std::string::npos);
  }
}

TEST_F(PrepTest, EndOfInputAtEitherQuestionEndsTheProgram) {
  for (const char* input : {"", "N\n"}) {
    SCOPED_TRACE(input);
    reset_run_state();
    three_profiles(0);
    Child run = run_child(dir, input, [] { prep(); });
    EXPECT_FALSE(run.returned);
    EXPECT_EQ(run.status, 0);
  }
}

TEST_F(PrepTest, UnusableProfilesEndTheRunNamingTheProfile) {
  struct Case {
    std::function<void()> damage;
    const char* message;
  } cases[] = {
      {[] { expd.PR(1, 1) = expd.PR(11, 1) = -1; },
       " Profile 1 (the reference profile) has zero area: the profiles cannot be normalised\n"},
      {[] { expd.PR(26, 3) = 0; }, " Profile 3 has zero area: it cannot be normalised\n"},
      {[] {
         stor.RMAT(1, 1, 2) = 1, stor.RMAT(1, 2, 2) = 2;
         stor.RMAT(2, 1, 2) = 0.5f, stor.RMAT(2, 2, 2) = 1;
       },
       " The transfer matrix of profile 2 is singular (determinant 0): it cannot be "
       "inverted\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    reset_run_state();
    three_profiles(0);
    c.damage();
    Child run = run_child(dir, "N\n\n", [] { prep(); });
    EXPECT_FALSE(run.returned);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(ends_with(run.out, c.message)) << run.out;
  }
}

// Start values: 1, or the file's when it was written for this run; every
// file that does not fit or cannot be read gives 1 and the message.
TEST_F(PrepTest, StartFactorsFromTheAnswerAndTheFile) {
  const std::string good = hfac_text(2, "Reloaded run");
  std::string shortened = good.substr(0, good.rfind('\n', good.size() - 2) + 1);
  std::string bad_value = good;
  bad_value.replace(bad_value.find('\n') + 1 + 11 * 3, 11, "  0.1x3E+01");
  struct Case {
    const char* what;
    const char* input;
    std::string file;  // empty: no HFAC.DAT
    bool loaded;
    bool message;
  } cases[] = {
      {"RET", "\n", good, false, false},
      {"lower-case f", "f\n", good, false, false},
      {"F", "F\n", good, true, false},
      {"only the first character counts", "Fxyz\n", good, true, false},
      {"no file", "F\n", "", false, true},
      {"another NL", "F\n", hfac_text(3, "Reloaded run"), false, true},
      {"another title", "F\n", hfac_text(2, "Reloaded run 2"), false, true},
      {"a line short", "F\n", shortened, false, true},
      {"a value that does not convert", "F\n", bad_value, false, true},
      {"an unreadable header", "F\n", "abcReloaded run\n" + good.substr(good.find('\n') + 1),
       false, true},
      {"an empty file", "F\n", "\n", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    reset_run_state();
    hfac_state();
    fs::remove(dir / "HFAC.DAT");
    if (!c.file.empty()) write_file(dir / "HFAC.DAT", c.file);
    Child run = run_child(dir, c.input, [] { prep2(); });
    ASSERT_TRUE(run.returned) << run.out;
    EXPECT_EQ(run.out.find(NOT_FOUND) != std::string::npos, c.message) << run.out;
    for (int l = 1; l <= 2; ++l)
      for (int k = 1; k <= 51; ++k)
        ASSERT_FLOAT_EQ(stor.HFAC(k, l), c.loaded ? hfac_value(k, l) : 1.0f) << k << "," << l;
    // Slots of profiles the run does not have are left alone.
    EXPECT_EQ(stor.HFAC(1, 3), 7.0f);
    EXPECT_EQ(stor.HFAC(51, MAXL), 7.0f);
  }
  reset_run_state();
  hfac_state();
  Child run = run_child(dir, "", [] { prep2(); });
  EXPECT_FALSE(run.returned);
  EXPECT_EQ(run.status, 0);
}

TEST_F(PrepTest, StoredFactorsComeBackWithThreeDigits) {
  hfac_state();
  Child run = run_child(dir, "F\n", [] {
    // The file as the run driver writes it: header, then HSAVE profile by profile.
    for (int l = 1; l <= 2; ++l)
      for (int k = 1; k <= 51; ++k) conti.HSAVE(k, l) = 1.5f;
    conti.HSAVE(1, 1) = 1.23456f;
    conti.HSAVE(51, 2) = 0.000123456f;
    rec::open(8, "HFAC.DAT", rec::Status::UNKNOWN);
    rec::rewind(8);
    rec::write_formatted(8, "(I3,A80)", {expd.NL, trol.TITLE});
    rec::write_formatted(8, "(7(7E11.3,/),2E11.3)", {rec::Item::reals(conti.HSAVE.data(), 102)});
    rec::close(8);
    prep2();
  });
  ASSERT_TRUE(run.returned) << run.out;
  std::string file = read_file(dir / "HFAC.DAT");
  EXPECT_EQ(file.substr(0, 15), "  2Reloaded run");
  EXPECT_EQ(file.substr(84, 22), "  0.123E+01  0.150E+01");
  EXPECT_FLOAT_EQ(stor.HFAC(1, 1), 1.23f);
  EXPECT_EQ(stor.HFAC(2, 1), 1.5f);
  EXPECT_FLOAT_EQ(stor.HFAC(51, 2), 0.000123f);
  EXPECT_EQ(run.out.find("HFAC.DAT not found"), std::string::npos);
}

}  // namespace
