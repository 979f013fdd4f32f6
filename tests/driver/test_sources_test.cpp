#include "driver/test_sources.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <string>

#include "device/sys/clock.h"
#include "driver/run_state.h"
#include "driver/text_records.h"

namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Child {
  int status = -1;        // exit status, 128 + signal number when killed
  std::string out;        // everything written to standard output
  bool returned = false;  // the body returned; its profiles were copied back
};

// Runs `body` in a child process (so the generator is seeded afresh and a
// program end is observable); when the body returns, the profiles and the
// title it left are copied back into this process.
Child run_child(const std::function<void()>& body) {
  char tmpl[] = "/tmp/kalo_test_sources_XXXXXX";
  if (mkdtemp(tmpl) == nullptr) return {};
  fs::path dir = tmpl;
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open((dir / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    body();
    rec::close_all();
    std::fflush(nullptr);
    std::FILE* f = std::fopen((dir / "state.bin").c_str(), "wb");
    std::fwrite(&trol, sizeof trol, 1, f);
    std::fwrite(&expd, sizeof expd, 1, f);
    std::fclose(f);
    _exit(0);
  }
  int ws = 0;
  waitpid(pid, &ws, 0);
  Child c;
  c.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
  c.out = read_file(dir / "stdout.txt");
  if (std::FILE* f = std::fopen((dir / "state.bin").c_str(), "rb")) {
    c.returned = std::fread(&trol, sizeof trol, 1, f) == 1 && std::fread(&expd, sizeof expd, 1, f) == 1;
    std::fclose(f);
  }
  fs::remove_all(dir);
  return c;
}

// Profile k of projection l of the last setp lies at this s.
float s_of(int k) { return float(k - 1) * expd.STEP - expd.SMID(1); }

void make_source(int ntest) {
  reset_run_state();
  trol.NTEST = ntest;
  setp();
}

TEST(TestSources, SetsControlsGeometryAndGrid) {
  make_source(1);
  EXPECT_EQ(trol.TITLE.view(), std::string("Off-center solid cylinder").append(55, ' '));
  EXPECT_EQ(trol.ICEN, 0);
  EXPECT_EQ(trol.MITER, 9);
  EXPECT_EQ(trol.PREC, 0.01f);
  EXPECT_EQ(trol.QTOL, 0.005f);
  EXPECT_EQ(trol.XPAR, -0.5f);
  EXPECT_EQ(trol.RELMAX, 0.05f);
  EXPECT_EQ(trol.RELFAC, 0.1f);
  EXPECT_EQ(expd.NK, 51);
  EXPECT_EQ(expd.NL, 3);
  EXPECT_EQ(expd.LREF, 1);
  EXPECT_EQ(stor.SLIM, 0.5f);
  EXPECT_EQ(stor.TLIM, 0.5f);
  EXPECT_EQ(tywid.TWID, 0.0f);  // not set by a test source
  EXPECT_EQ(expd.STEP, 0.02f);
  EXPECT_EQ(expd.RSTEP, 1.0f / 0.02f);
  const float r12[] = {-1.0f, 0.0f, 1.0f};
  for (int l = 1; l <= 3; ++l) {
    EXPECT_EQ(expd.SMID(l), 0.5f);
    EXPECT_EQ(expd.R12T(l), r12[l - 1]);
    EXPECT_EQ(stor.RMAT(1, 2, l), r12[l - 1]);
    // RINV is the inverse: RMAT * RINV is the unit matrix.
    for (int i = 1; i <= 2; ++i)
      for (int j = 1; j <= 2; ++j) {
        float p = stor.RMAT(i, 1, l) * stor.RINV(1, j, l) + stor.RMAT(i, 2, l) * stor.RINV(2, j, l);
        EXPECT_EQ(p, i == j ? 1.0f : 0.0f) << i << j << l;
      }
  }
  EXPECT_EQ(tran.NX, 51);
  EXPECT_EQ(tran.NY, 51);
  EXPECT_EQ(tran.XGRID(1), -0.5f);
  EXPECT_NEAR(tran.XGRID(26), 0.0f, 1e-7);
  EXPECT_NEAR(tran.YGRID(51), 0.5f, 1e-6);
}

TEST(TestSources, UnshearedProfilesAreChordsAlongY) {
  make_source(1);
  const float DT = 0.5f / 255;
  // Sample 26 is s = 0: 249 of the 511 points lie in the disc; sample 28 is
  // s = 0.04: 255 points, the trapezoid ends not among them.
  EXPECT_EQ(expd.PR(26, 2), 249 * DT);
  EXPECT_EQ(expd.PR(28, 2), 255 * DT);
  EXPECT_FLOAT_EQ(expd.PR(28, 2), 0.5f);

  // Length of the chord at distance d from the centre of a disc of radius r.
  auto chord = [](double d, double r) { return std::fabs(d) >= r ? 0.0 : 2 * std::sqrt(r * r - d * d); };
  struct Case {
    int ntest;
    double (*profile)(double s, decltype(chord)&);
  } cases[] = {
      {1, [](double s, decltype(chord)& c) { return c(s - 0.05, 0.25); }},
      {3, [](double s, decltype(chord)& c) {
         return c(s + 0.05, 0.15) + 0.5 * (c(s, 0.3) - c(s, 0.25));
       }},
  };
  for (const Case& c : cases) {
    make_source(c.ntest);
    for (int k = 1; k <= 51; ++k) {
      double expected = c.profile(s_of(k), chord);
      EXPECT_NEAR(expd.PR(k, 2), expected, 3 * DT) << c.ntest << " " << k;
      // Clear of the disc the sample is exactly zero.
      if (c.ntest == 1 && std::fabs(s_of(k) - 0.05f) > 0.2501f) {
        EXPECT_EQ(expd.PR(k, 2), 0.0f) << k;
      }
    }
  }
}

// The area of every projection is the mass of the density (the shears keep
// areas), and its centroid is the projection x + R12*y of the centre of mass.
TEST(TestSources, ProjectionMomentsMatchTheDensity) {
  const double pi = 3.14159265358979;
  const double disc = pi * 0.15 * 0.15;               // inner disc of test 3
  const double ring = 0.5 * pi * (0.09 - 0.0625);      // ring of test 3, value 0.5
  struct Case {
    int ntest;
    double mass;
    double x, y;  // centre of mass
  } cases[] = {
      {1, pi * 0.0625, 0.05, 0.0},
      {3, disc + ring, -0.05 * disc / (disc + ring), 0.02 * disc / (disc + ring)},
      // exp(-(54 x^2 + 36 x y + 54 y^2)) about (0.02, 0).
      {5, pi / std::sqrt(54.0 * 54.0 - 18.0 * 18.0), 0.02, 0.0},
  };
  for (const Case& c : cases) {
    make_source(c.ntest);
    for (int l = 1; l <= 3; ++l) {
      double area = 0, first = 0;
      for (int k = 1; k <= 51; ++k) {
        area += expd.PR(k, l) * expd.STEP;
        first += expd.PR(k, l) * expd.STEP * s_of(k);
      }
      SCOPED_TRACE(testing::Message() << "test " << c.ntest << " projection " << l);
      // The thin ring's edges cost up to 2 % at a spacing of 0.02.
      EXPECT_NEAR(area, c.mass, 0.025 * c.mass);
      EXPECT_NEAR(first / area, c.x + expd.R12T(l) * c.y, 0.002);
    }
  }
}

TEST(TestSources, RingFillsTheGapAroundTheInnerDisc) {
  make_source(3);
  EXPECT_EQ(trol.TITLE.trimmed(), "Solid cylinder inside hollow cylinder");
  for (int k = 1; k <= 51; ++k) {
    if (std::fabs(s_of(k)) < 0.3f) {
      EXPECT_GT(expd.PR(k, 2), 0.0f) << k;
    }
  }
}

TEST(TestSources, DensitiesAtTheirEdges) {
  struct Case {
    int ntest;
    float x, y;
    float rho;
    const char* title;
  } cases[] = {
      {1, 0.05f, 0.0f, 1.0f, "Off-center solid cylinder"},
      {1, 0.05f, 0.25f, 1.0f, "Off-center solid cylinder"},  // on the edge: inside
      {1, 0.05f, 0.2501f, 0.0f, "Off-center solid cylinder"},
      {2, -0.19f, 0.0f, 1.0f, "Off-center solid cylinder"},
      {3, -0.05f, 0.02f, 1.0f, "Solid cylinder inside hollow cylinder"},
      {3, 0.2f, 0.0f, 0.0f, "Solid cylinder inside hollow cylinder"},  // the gap
      {4, 0.25f, 0.0f, 0.5f, "Solid cylinder inside hollow cylinder"},  // inner edge of the ring
      {3, 0.0f, -0.3f, 0.5f, "Solid cylinder inside hollow cylinder"},  // outer edge
      {3, 0.0f, 0.3001f, 0.0f, "Solid cylinder inside hollow cylinder"},
      {5, 0.02f, 0.0f, 1.0f, "Off-center tilted asymmetric Gaussian"},
      {6, 0.12f, 0.1f, float(std::exp(-1.44)), "Off-center tilted asymmetric Gaussian"},
      {5, 0.12f, -0.1f, float(std::exp(-0.72)), "Off-center tilted asymmetric Gaussian"},
      // Numbers the dialogue never hands on still give a defined density.
      {0, 0.05f, 0.0f, 1.0f, "Off-center solid cylinder"},
      {7, 0.05f, 0.0f, 1.0f, "Off-center solid cylinder"},
      {-3, 0.4f, 0.0f, 0.0f, "Off-center solid cylinder"},
  };
  for (const Case& c : cases) {
    trol.NTEST = c.ntest;
    trol.TITLE = "previous title";
    EXPECT_NEAR(sofun(c.x, c.y), c.rho, 1e-6) << c.ntest << " " << c.x << " " << c.y;
    EXPECT_EQ(trol.TITLE.view(), std::string(c.title).append(80 - std::strlen(c.title), ' '));
  }
}

TEST(TestSources, NoisyCaseDiffersOnlyByNoiseAndTitle) {
  make_source(1);
  expd_t clean = expd;
  Child noisy = run_child([] { make_source(2); });
  ASSERT_TRUE(noisy.returned);
  std::string title = std::string("Off-center solid cylinder").append(15, ' ') +
                      "(with noisy data)" + std::string(23, ' ');
  EXPECT_EQ(trol.TITLE.view(), title);

  // Two uniform numbers per sample: the relative deviation is a normal
  // variable of standard deviation 0.05/sqrt(2), at most 0.05 * 5.5.
  double sum = 0, sum2 = 0;
  int n = 0;
  for (int l = 1; l <= 3; ++l)
    for (int k = 1; k <= 51; ++k) {
      if (clean.PR(k, l) == 0.0f) {
        EXPECT_EQ(expd.PR(k, l), 0.0f);
        continue;
      }
      double rel = expd.PR(k, l) / clean.PR(k, l) - 1.0;
      EXPECT_LE(std::fabs(rel), 0.05 * 5.5 + 1e-6);
      sum += rel;
      sum2 += rel * rel;
      ++n;
    }
  ASSERT_GT(n, 60);
  double mean = sum / n;
  double sd = std::sqrt(sum2 / n - mean * mean);
  EXPECT_LT(std::fabs(mean), 0.015);
  EXPECT_GT(sd, 0.025);
  EXPECT_LT(sd, 0.047);

  // The generator is seeded once per run with 1: a second run is identical.
  expd_t first = expd;
  ASSERT_TRUE(run_child([] { make_source(2); }).returned);
  for (int l = 1; l <= 3; ++l)
    for (int k = 1; k <= 51; ++k) EXPECT_EQ(expd.PR(k, l), first.PR(k, l));
}

TEST(TestSources, RanffSeedsOnceWithTheIntegerPart) {
  Child c = run_child([] {
    float a = ranff(1.7f);
    float b = ranff(9.0f);  // no second seeding
    seed(1);
    float r1, r2;
    random(r1);
    random(r2);
    if (a != r1 || b != r2 || a == b) rec::stop(3);
  });
  EXPECT_TRUE(c.returned);
}

TEST(InverseErrorFunction, InvertsErfOnTheUnitInterval) {
  EXPECT_EQ(erfi(0.0f), 0.0f);
  EXPECT_EQ(erfi(1.0f), 5.5f);
  EXPECT_NEAR(erfi(0.5f), 0.476936f, 2e-6);
  for (float y : {1e-6f, 0.001f, 0.1f, 0.3f, 0.62f, 0.9f, 0.999f, 0.99999994f}) {
    float x = erfi(y);
    EXPECT_GT(x, 0.0f) << y;
    EXPECT_NEAR(std::erf(double(x)), y, 2e-7 + 2e-6 * y) << y;
  }
}

TEST(InverseErrorFunction, OutsideTheIntervalOrUnconvergedEndsTheRun) {
  const std::string range =
      "\n\n ERFI called with Y < 0 or Y > 1, result =  neg inde    finite \n\n";
  for (float y : {1.5f, -0.1f, std::numeric_limits<float>::infinity()}) {
    Child c = run_child([y] { erfi(y); });
    EXPECT_FALSE(c.returned) << y;
    EXPECT_EQ(c.status, 1) << y;
    EXPECT_EQ(c.out, range) << y;
  }
  Child c = run_child([] { erfi(std::numeric_limits<float>::quiet_NaN()); });
  EXPECT_FALSE(c.returned);
  EXPECT_EQ(c.status, 1);
  EXPECT_EQ(c.out, "\n\n ERFI unable to converge, result =  neg indefinite \n\n");
}

}  // namespace
