#include "engine/kalo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "driver/text_records.h"
#include "engine/integrals.h"
#include "engine_state.h"

namespace {

using engine_test::bits;
using engine_test::same_bits;
using engine_test::set_matrix;
using engine_test::set_projections;
using engine_test::set_window;
using engine_test::Snapshot;

// The iteration read plainly: every line integral through qtrap(prod, ...)
// and every density value through hint.  It writes nothing.
void reference_kalo(int& ICON, float& QAVD) {
  const float EPSIL = 1.0e-20f;
  const float RATLO = 1.0f - trol.QTOL;
  const float RATHI = 1.0f + trol.QTOL;
  float QOLD = 10.0f / EPSIL;
  int ITER = 1;
  while (ITER <= trol.MITER) {
    ucopy(stor.HFAC.data(), conti.HSAVE.data(), 1020);
    ICON = ITER;
    QAVD = 0.0f;
    int N = 0;
    for (pint.LPROJ = 1; pint.LPROJ <= expd.NL; ++pint.LPROJ) {
      for (int K = 1; K <= expd.NK; ++K) {
        pint.SPOS = float(K - 1) * expd.STEP - stor.SREF(pint.LPROJ);
        float HNEW;
        if (std::fabs(pint.SPOS) > stor.SLIM) {
          HNEW = 0.0f;
        } else {
          const float A = -stor.TLIM;
          const float SUM = qtrap(prod, A, stor.TLIM, expd.NK);
          const float PRKL = expd.PR(K, pint.LPROJ);
          const float HOLD = stor.HFAC(K, pint.LPROJ);
          const float POLD = HOLD * SUM;
          blank.PCAL(K, pint.LPROJ) = POLD;
          if (PRKL > EPSIL && POLD > EPSIL) {
            const float RATIO = POLD / (PRKL + EPSIL);
            HNEW = HOLD;
            if (RATIO < RATLO) HNEW = HOLD * RATLO / RATIO;
            if (RATIO > RATHI) HNEW = HOLD * RATHI / RATIO;
            const float Q = std::fabs(RATIO - 1.0f);
            QAVD = QAVD + Q * Q;
            N = N + 1;
          } else if (PRKL > EPSIL) {
            HNEW = 0.0f;
          } else {
            HNEW = HOLD * PRKL / (POLD + EPSIL);
          }
        }
        if (HNEW > 1.0e7f) HNEW = 0.0f;
        stor.HFAC(K, pint.LPROJ) = HNEW;
      }
    }
    if (N == 0) {  // no measure of fit: undone, the call ends
      ucopy(conti.HSAVE.data(), stor.HFAC.data(), 1020);
      QAVD = QOLD;
      break;
    }
    QAVD = float(std::sqrt(double(QAVD / float(N))));
    if (QAVD <= trol.PREC) break;
    if (QOLD <= QAVD) {
      ucopy(conti.HSAVE.data(), stor.HFAC.data(), 1020);
      QAVD = QOLD;
      break;
    }
    QOLD = QAVD;
    ITER = ITER + 1;
  }
  for (int i = 1; i <= tran.NX; ++i)
    for (int j = 1; j <= tran.NY; ++j) {
      const float X = tran.XGRID(i);
      const float Y = tran.YGRID(j);
      float PRH = 1.0f;
      for (int L = 1; L <= expd.NL; ++L) {
        const float S = stor.RMAT(1, 1, L) * X + stor.RMAT(1, 2, L) * Y;
        PRH = hint(S, L) * PRH;
      }
      tran.RHO(i, j) = PRH;
    }
}

// Density of the test-source disc and of a tilted Gaussian.
float disc(float x, float y) {
  const float dx = x - 0.05f;
  return dx * dx + y * y <= 0.0625f ? 1.0f : 0.0f;
}
float gauss(float x, float y) {
  const float xd = x - 0.02f;
  return float(std::exp(-double(((xd * xd + y * y) * 9.0f + xd * 6.0f * y) * 6.0f)));
}

void controls(int MITER, float PREC, float QTOL) {
  trol.MITER = MITER;
  trol.PREC = PREC;
  trol.QTOL = QTOL;
}

// The three shears of the test sources on the disc.
void three_shears() {
  set_window(0.5f, 0.5f);
  set_matrix(1, 1, -1, 0, 1);
  set_matrix(2, 1, 0, 0, 1);
  set_matrix(3, 1, 1, 0, 1);
  set_projections(3);
  engine_test::project(disc);
  controls(9, 0.01f, 0.005f);
}

// Twenty views of a Gaussian through drift-and-lens matrices, each profile
// with its own reference point, and a few factors cut to zero at the edges.
void twenty_views() {
  set_window(0.6f, 0.4f);
  for (int l = 1; l <= 20; ++l) {
    const float a = 0.15f * float(l);
    set_matrix(l, std::cos(a), 0.8f * std::sin(a), -std::sin(a) / 0.8f, std::cos(a));
  }
  set_projections(20);
  for (int l = 1; l <= 20; ++l) stor.SREF(l) = 0.6f + 0.013f * float(l % 5 - 2);
  engine_test::project(gauss);
  for (int k = 1; k <= 4; ++k) stor.HFAC(k, 7) = 0.0f;
  for (int k = 47; k <= 51; ++k) stor.HFAC(k, 12) = 0.0f;
  controls(3, 0.0f, 0.005f);
}

// Two views with reference points shifted so that some samples fall outside
// the s window, and a t window narrower than the s window.
void two_shifted() {
  set_window(0.5f, 0.3f);
  set_matrix(1, 1, 0.5f, 0, 1);
  set_matrix(2, 0.8f, -0.4f, 0.5f, 1);
  set_projections(2);
  engine_test::project(gauss);
  stor.SREF(1) = 0.62f;
  stor.SREF(2) = 0.37f;
  controls(5, 0.0f, 0.02f);
}

// Reference points far off the middle of the window, and factors that are
// negative or too large to bound the H-functions.
void odd_tables() {
  three_shears();
  stor.SREF(1) = 3.0f;
  stor.SREF(3) = -2.2f;
  for (int k = 20; k <= 24; ++k) stor.HFAC(k, 2) = -0.5f;
  stor.HFAC(30, 1) = 1.0e35f;
  stor.HFAC(31, 3) = 3.0e38f;
  controls(2, 0.0f, 0.005f);
}

// Density only, from negative factors behind a projection that reads zeros
// everywhere: the products are zeros of either sign.
void odd_density() {
  three_shears();
  stor.SREF(1) = 3.0f;
  for (int k = 20; k <= 24; ++k) stor.HFAC(k, 2) = -0.5f;
  trol.MITER = 0;
}

// One view: every line integral is the same constant.
void one_view() {
  set_window(0.5f, 0.5f);
  set_matrix(1, 1, 0, 0, 1);
  set_projections(1);
  engine_test::project(gauss);
  controls(4, 0.0f, 0.005f);
}

// Per-test temporary folder with unit 7 opened on a log file.
class Kalo : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_run_state();
    dir_ = std::filesystem::temp_directory_path() /
           ("kalo_engine_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    log_ = (dir_ / "KALOOUT.DAT").string();
    rec::open(7, log_, rec::Status::UNKNOWN);
  }
  void TearDown() override {
    rec::close(7);
    std::filesystem::remove_all(dir_);
    reset_run_state();
  }
  // Closes unit 7 and returns its lines; reopens it for further writing.
  std::vector<std::string> log_lines() {
    rec::close(7);
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    rec::open(7, log_, rec::Status::UNKNOWN, rec::Access::APPEND);
    return lines;
  }
  // Runs kalo and returns what it wrote to the terminal.
  std::string run(int& ICON, float& QAVD) {
    ::testing::internal::CaptureStdout();
    kalo(ICON, QAVD);
    return ::testing::internal::GetCapturedStdout();
  }

  std::filesystem::path dir_;
  std::string log_;
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Value of "QAVD=" on an iteration line.
float qavd_of(const std::string& line) {
  return std::stof(line.substr(line.find("QAVD=") + 5, 10));
}

TEST_F(Kalo, MatchesThePlainReadingBitForBit) {
  struct Case {
    const char* what;
    void (*build)();
  };
  const Case cases[] = {
      {"three shears on a disc", three_shears},
      {"twenty views with cuts", twenty_views},
      {"two views partly outside the window", two_shifted},
      {"one view", one_view},
      {"odd reference points and factors", odd_tables},
      {"density from odd factors", odd_density},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    reset_run_state();
    c.build();
    const Snapshot start = Snapshot::take();

    int ICON = -1;
    float QAVD = -1.0f;
    run(ICON, QAVD);
    const Snapshot fast = Snapshot::take();

    start.restore();
    int RICON = -1;
    float RQAVD = -1.0f;
    reference_kalo(RICON, RQAVD);

    EXPECT_EQ(ICON, RICON);
    EXPECT_EQ(bits(QAVD), bits(RQAVD)) << QAVD << " vs " << RQAVD;
    EXPECT_TRUE(same_bits(fast.stor.HFAC, stor.HFAC)) << "HFAC";
    EXPECT_TRUE(same_bits(fast.conti.HSAVE, conti.HSAVE)) << "HSAVE";
    EXPECT_TRUE(same_bits(fast.blank.PCAL, blank.PCAL)) << "PCAL";
    EXPECT_TRUE(same_bits(fast.tran.RHO, tran.RHO)) << "RHO";
    EXPECT_EQ(fast.pint.LPROJ, pint.LPROJ);
    EXPECT_EQ(bits(fast.pint.SPOS), bits(pint.SPOS));
    EXPECT_EQ(bits(fast.pint.TPOS), bits(pint.TPOS));
  }
}

TEST_F(Kalo, NoIterationOnlyRecomputesTheDensity) {
  three_shears();
  for (int k = 1; k <= 51; ++k) stor.HFAC(k, 2) = 0.5f;
  trol.MITER = 0;
  for (int i = 0; i < tran.RHO.size; ++i) tran.RHO.v[i] = -7.0f;
  conti.HSAVE(3, 3) = 42.0f;
  int ICON = 5;
  float QAVD = 0.25f;
  const std::string out = run(ICON, QAVD);

  EXPECT_EQ(out, "");
  EXPECT_TRUE(log_lines().empty());
  EXPECT_EQ(ICON, 5);
  EXPECT_EQ(QAVD, 0.25f);
  EXPECT_EQ(conti.HSAVE(3, 3), 42.0f);
  // The centre lies at s = 0 on all three projections, where every factor
  // is 1 except projection 2's 0.5.
  EXPECT_EQ(tran.RHO(26, 26), 0.5f);
  // Corners are outside the window of the sheared projections.
  EXPECT_EQ(tran.RHO(1, 51), 0.0f);
}

TEST_F(Kalo, ConvergedCallStopsAndReportsEachIteration) {
  three_shears();
  int ICON = 0;
  float QAVD = 0.0f;
  const std::vector<std::string> out = lines_of(run(ICON, QAVD));
  const std::vector<std::string> log = log_lines();

  ASSERT_GE(out.size(), 1u);
  EXPECT_EQ(out, log);  // the terminal and the log get the same lines
  EXPECT_EQ(int(out.size()), ICON);
  EXPECT_LE(QAVD, trol.PREC);
  EXPECT_LT(ICON, trol.MITER);
  for (std::size_t i = 0; i < out.size(); ++i) {
    char head[16];
    std::snprintf(head, sizeof head, " ITER= %2d, ", int(i + 1));
    EXPECT_EQ(out[i].rfind(head, 0), 0u) << out[i];
  }
  // The last line's QAVD is the one returned (to the three digits shown).
  EXPECT_NEAR(qavd_of(out.back()), QAVD, 0.01f * QAVD);
  // Every projection of the disc reaches the edge of the window somewhere,
  // so no sample is outside; the samples where the disc has no chord are
  // indeterminate or zero, the others compared.
  EXPECT_NE(out.back().find("NOUT=   0"), std::string::npos) << out.back();
}

TEST_F(Kalo, AWorseSecondIterationIsUndone) {
  // Two identical views whose profiles disagree by a factor 2: the first
  // sweep fixes projection 2, the second then ruins projection 1.
  set_window(0.5f, 0.5f);
  set_matrix(1, 1, 0, 0, 1);
  set_matrix(2, 1, 0, 0, 1);
  set_projections(2);
  for (int k = 1; k <= 51; ++k) {
    expd.PR(k, 1) = 1.02f;
    expd.PR(k, 2) = 2.04f;
  }
  controls(1, 0.0f, 0.005f);
  const Snapshot start = Snapshot::take();
  int ICON1 = 0;
  float QAVD1 = 0.0f;
  run(ICON1, QAVD1);
  const Snapshot after_first = Snapshot::take();

  start.restore();
  rec::close(7);
  rec::open(7, log_, rec::Status::UNKNOWN);
  trol.MITER = 9;
  int ICON = 0;
  float QAVD = 0.0f;
  const std::vector<std::string> out = lines_of(run(ICON, QAVD));

  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(log_lines(), out);
  EXPECT_GT(qavd_of(out[1]), qavd_of(out[0]));
  EXPECT_EQ(ICON, 2);
  EXPECT_EQ(bits(QAVD), bits(QAVD1));
  EXPECT_TRUE(same_bits(stor.HFAC, after_first.stor.HFAC));
  // After a rejected iteration the saved and the current factors agree.
  EXPECT_TRUE(same_bits(conti.HSAVE, stor.HFAC));
  EXPECT_TRUE(same_bits(tran.RHO, after_first.tran.RHO));
}

TEST_F(Kalo, AnUnchangedSweepCountsAsWorse) {
  // Profiles 0.1 % above the start projection lie inside the ratio band, so
  // nothing moves: the second sweep repeats the first one's QAVD exactly and
  // is undone.
  one_view();
  trol.MITER = 1;
  int ICON = 0;
  float QAVD = 0.0f;
  run(ICON, QAVD);
  for (int k = 1; k <= 51; ++k) {
    expd.PR(k, 1) = blank.PCAL(k, 1) * 1.001f;
    stor.HFAC(k, 1) = 1.0f;
  }
  trol.MITER = 9;
  const std::vector<std::string> out = lines_of(run(ICON, QAVD));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].substr(9), out[1].substr(9));
  EXPECT_EQ(ICON, 2);
  for (int k = 1; k <= 51; ++k) ASSERT_EQ(stor.HFAC(k, 1), 1.0f);
}

TEST_F(Kalo, SaveHoldsAllFactorsFromBeforeTheIteration) {
  three_shears();
  trol.MITER = 1;
  // Unused columns keep whatever they hold, and are saved too.
  for (int l = 4; l <= 20; ++l)
    for (int k = 1; k <= 51; ++k) stor.HFAC(k, l) = float(k + 100 * l);
  stor.HFAC(20, 2) = 0.75f;
  const Snapshot start = Snapshot::take();
  int ICON = 0;
  float QAVD = 0.0f;
  run(ICON, QAVD);

  EXPECT_TRUE(same_bits(conti.HSAVE, start.stor.HFAC));
  for (int l = 4; l <= 20; ++l)
    for (int k = 1; k <= 51; ++k) ASSERT_EQ(stor.HFAC(k, l), float(k + 100 * l));
  EXPECT_NE(stor.HFAC(20, 2), 0.75f);
}

TEST_F(Kalo, ZeroComputedValuesAreListedAsInfinite) {
  // On the Gaussian every measured sample is present except the window
  // edges, where the sheared views leave no line integral at all.
  three_shears();
  engine_test::project(gauss);
  for (int l = 1; l <= 3; ++l) expd.PR(1, l) = expd.PR(51, l) = 0.0f;
  trol.MITER = 1;
  // Projection 2: three factors cut to zero where the disc is measured.
  for (int k = 12; k <= 14; ++k) stor.HFAC(k, 2) = 0.0f;
  // Projection 3: seventeen of them, which takes two lines.
  for (int k = 10; k <= 26; ++k) stor.HFAC(k, 3) = 0.0f;
  int ICON = 0;
  float QAVD = 0.0f;
  const std::vector<std::string> out = lines_of(run(ICON, QAVD));
  const std::vector<std::string> log = log_lines();

  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], " HFAC infinite   L   =   2; K   = 12,13,14,");
  EXPECT_EQ(log[1], " HFAC infinite   L   =   3; K   = 10,11,12,13,14,15,16,17,18,19,20,21,22,23,24");
  EXPECT_EQ(log[2], " HFAC infinite   L   =   3; K   = 25,26,");
  EXPECT_EQ(log[3], out.at(0));  // the terminal gets only the iteration line
  EXPECT_EQ(out.size(), 1u);
  EXPECT_NE(out[0].find("NINF=  20"), std::string::npos) << out[0];
  for (int k = 12; k <= 14; ++k) EXPECT_EQ(stor.HFAC(k, 2), 0.0f);
}

TEST_F(Kalo, SweepWithoutAComparableSampleEndsTheCall) {
  // All factors zero: every computed value vanishes, so no sample compares
  // and the sweep has no QAVD.  It is reported with 1E21, undone, and the
  // call ends instead of running on to MITER.
  three_shears();
  for (int l = 1; l <= 3; ++l)
    for (int k = 1; k <= 51; ++k) stor.HFAC(k, l) = 0.0f;
  stor.HFAC(1, 1) = 2.0f;  // outside the disc: restored by the undo
  int ICON = 0;
  float QAVD = 0.0f;
  const std::vector<std::string> out = lines_of(run(ICON, QAVD));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].rfind(" ITER=  1, QAVD=  1.00E+21, NINF= ", 0), 0u) << out[0];
  EXPECT_NE(out[0].find(", N=   0"), std::string::npos) << out[0];
  EXPECT_EQ(ICON, 1);
  EXPECT_EQ(QAVD, 1.0e21f);
  EXPECT_EQ(stor.HFAC(1, 1), 2.0f);
  EXPECT_TRUE(same_bits(conti.HSAVE, stor.HFAC));
  EXPECT_FALSE(QAVD <= 1.0e20f);
}

TEST_F(Kalo, FactorsOutsideTheWindowBecomeZero) {
  two_shifted();
  trol.MITER = 1;
  // Projection 1's first samples lie below s = -0.5 (sample 1 at -0.62),
  // projection 2's last ones above 0.5 (sample 51 at 1.0 - 0.37).
  blank.PCAL(1, 1) = 9.0f;
  int ICON = 0;
  float QAVD = 0.0f;
  const std::vector<std::string> out = lines_of(run(ICON, QAVD));
  int outside = 0;
  for (int l = 1; l <= 2; ++l)
    for (int k = 1; k <= 51; ++k)
      if (std::fabs(float(k - 1) * expd.STEP - stor.SREF(l)) > stor.SLIM) {
        ++outside;
        EXPECT_EQ(stor.HFAC(k, l), 0.0f) << k << "," << l;
      }
  EXPECT_GE(outside, 6 + 6);
  EXPECT_EQ(blank.PCAL(1, 1), 9.0f);  // never computed there
  ASSERT_EQ(out.size(), 1u);
  char nout[16];
  std::snprintf(nout, sizeof nout, "NOUT= %3d", outside);
  EXPECT_NE(out[0].find(nout), std::string::npos) << out[0];
}

TEST_F(Kalo, OneViewDrivesEachFactorTowardItsSample) {
  // With one view every line integral is 51 * (2 * TLIM / 50) = 1.02, so a
  // factor moves to the band edge nearest to PR / 1.02; a runaway factor
  // (above 1E7) is reset to 0.
  one_view();
  trol.MITER = 1;
  expd.PR(10, 1) = 1.0e9f;
  expd.PR(26, 1) = 1.02f;          // ratio 1: left as it is
  expd.PR(27, 1) = 1.02f / 1.002f;  // inside the band: left as it is
  expd.PR(28, 1) = 2.04f;          // ratio 0.5: doubled less the tolerance
  expd.PR(29, 1) = 0.51f;          // ratio 2: halved plus the tolerance
  int ICON = 0;
  float QAVD = 0.0f;
  run(ICON, QAVD);
  EXPECT_EQ(stor.HFAC(10, 1), 0.0f);
  EXPECT_EQ(stor.HFAC(26, 1), 1.0f);
  EXPECT_EQ(stor.HFAC(27, 1), 1.0f);
  EXPECT_NEAR(stor.HFAC(28, 1), 2.0f * 0.995f, 1e-5f);
  EXPECT_NEAR(stor.HFAC(29, 1), 0.5f * 1.005f, 1e-5f);
  EXPECT_NEAR(blank.PCAL(26, 1), 1.02f, 1e-5f);
}

}  // namespace
