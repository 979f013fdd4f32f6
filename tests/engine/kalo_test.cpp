#include "engine/kalo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/text_records.h"
#include "engine/integrals.h"
#include "tests/support/temp_dir.h"
#include "engine_state.h"

namespace {

using engine_test::make_state;
using engine_test::project;

// The iteration read plainly, through qtrap(prod, ...) and hint; writes
// nothing.  A sweep without a comparable sample is undone and ends the call.
void reference_kalo(int& ICON, float& QAVD) {
  const float EPSIL = 1.0e-20f, RATLO = 1.0f - trol.QTOL, RATHI = 1.0f + trol.QTOL;
  float QOLD = 10.0f / EPSIL;
  for (int ITER = 1; ITER <= trol.MITER; ++ITER) {
    ucopy(stor.HFAC.data(), conti.HSAVE.data(), 1020);
    ICON = ITER;
    QAVD = 0.0f;
    int N = 0;
    for (pint.LPROJ = 1; pint.LPROJ <= expd.NL; ++pint.LPROJ)
      for (int K = 1; K <= expd.NK; ++K) {
        float& H = stor.HFAC(K, pint.LPROJ);
        pint.SPOS = float(K - 1) * expd.STEP - stor.SREF(pint.LPROJ);
        float HNEW = 0.0f;
        if (std::fabs(pint.SPOS) <= stor.SLIM) {
          const float A = -stor.TLIM, PRKL = expd.PR(K, pint.LPROJ);
          const float POLD = H * qtrap(prod, A, stor.TLIM, expd.NK);
          blank.PCAL(K, pint.LPROJ) = POLD;
          if (PRKL > EPSIL && POLD > EPSIL) {
            const float RATIO = POLD / (PRKL + EPSIL);
            HNEW = RATIO < RATLO ? H * RATLO / RATIO : RATIO > RATHI ? H * RATHI / RATIO : H;
            QAVD = QAVD + std::fabs(RATIO - 1.0f) * std::fabs(RATIO - 1.0f);
            N = N + 1;
          } else if (PRKL <= EPSIL) {
            HNEW = H * PRKL / (POLD + EPSIL);
          }
        }
        H = HNEW > 1.0e7f ? 0.0f : HNEW;
      }
    if (N > 0) QAVD = float(std::sqrt(double(QAVD / float(N))));
    if (N > 0 && QAVD <= trol.PREC) break;
    if (N == 0 || QOLD <= QAVD) {
      ucopy(conti.HSAVE.data(), stor.HFAC.data(), 1020);
      QAVD = QOLD;
      break;
    }
    QOLD = QAVD;
  }
  for (int i = 1; i <= tran.NX; ++i)
    for (int j = 1; j <= tran.NY; ++j) {
      float PRH = 1.0f;
      for (int L = 1; L <= expd.NL; ++L)
        PRH = hint(stor.RMAT(1, 1, L) * tran.XGRID(i) + stor.RMAT(1, 2, L) * tran.YGRID(j), L) * PRH;
      tran.RHO(i, j) = PRH;
    }
}

float disc(float x, float y) { return (x - 0.05f) * (x - 0.05f) + y * y <= 0.0625f ? 1.0f : 0.0f; }
float gauss(float x, float y) { return std::exp(-((x * x + y * y) * 9.0f + x * 6.0f * y) * 6.0f); }

// The test sources' three shears on the disc.
void three_shears() {
  make_state(0.5f, 0.5f, {{1, -1, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}});
  project(disc);
  trol.MITER = 9;
  trol.PREC = 0.01f;
  trol.QTOL = 0.005f;
}

bool same(const void* a, const void* b, std::size_t n) { return std::memcmp(a, b, n) == 0; }

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// Unit 7 on a log file; run() returns the terminal lines, log() the log's.
class Kalo : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_run_state();
    rec::open(7, path_, rec::Status::UNKNOWN);
  }
  void TearDown() override { rec::close(7); }
  std::vector<std::string> run() {
    ::testing::internal::CaptureStdout();
    kalo(ICON, QAVD);
    return lines(::testing::internal::GetCapturedStdout());
  }
  std::vector<std::string> log() {
    rec::close(7);
    std::ifstream in(path_);
    std::stringstream text;
    text << in.rdbuf();
    rec::open(7, path_, rec::Status::UNKNOWN, rec::Access::APPEND);
    return lines(text.str());
  }
  const kalo_test::TempDir dir_;
  const std::string path_ = dir_.file("KALOOUT.DAT");
  int ICON = -1;
  float QAVD = -1.0f;
};

TEST_F(Kalo, MatchesThePlainReadingBitForBit) {
  const std::pair<const char*, void (*)()> cases[] = {
      {"three shears on a disc", three_shears},
      {"twenty views with their own reference points and cuts", [] {
         std::vector<std::array<float, 4>> R;
         for (int l = 1; l <= 20; ++l) {
           const float c = std::cos(0.15f * float(l)), s = std::sin(0.15f * float(l));
           R.push_back({c, 0.8f * s, -s / 0.8f, c});
         }
         make_state(0.6f, 0.4f, R);
         for (int l = 1; l <= 20; ++l) stor.SREF(l) = 0.6f + 0.013f * float(l % 5 - 2);
         project(gauss);
         for (int k = 1; k <= 4; ++k) stor.HFAC(k, 7) = stor.HFAC(k + 46, 12) = 0.0f;
         trol.MITER = 3;
         trol.QTOL = 0.005f;
       }},
      {"reference points off the window, negative and huge factors", [] {
         three_shears();
         stor.SREF(1) = 3.0f;
         stor.SREF(3) = -2.2f;
         for (int k = 20; k <= 24; ++k) stor.HFAC(k, 2) = -0.5f;
         stor.HFAC(30, 3) = 3.0e38f;
         trol.MITER = 2;
       }},
      {"density only, zero products of either sign", [] {
         three_shears();
         stor.SREF(1) = 3.0f;  // projection 1 reads zeros everywhere
         for (int k = 20; k <= 24; ++k) stor.HFAC(k, 2) = -0.5f;
         trol.MITER = 0;
       }},
  };
  for (const auto& [what, build] : cases) {
    SCOPED_TRACE(what);
    reset_run_state();
    build();
    const stor_t start = stor;
    run();
    const stor_t s = stor;
    const conti_t c = conti;
    const tran_t t = tran;
    const blank_t b = blank;
    const pint_t p = pint;
    const int icon = ICON;
    const float qavd = QAVD;
    stor = start;
    reference_kalo(ICON, QAVD);
    EXPECT_EQ(icon, ICON);
    EXPECT_TRUE(same(&qavd, &QAVD, 4)) << qavd << " vs " << QAVD;
    EXPECT_TRUE(same(&s.HFAC, &stor.HFAC, sizeof s.HFAC));
    EXPECT_TRUE(same(&c, &conti, sizeof c));
    EXPECT_TRUE(same(&t.RHO, &tran.RHO, sizeof t.RHO));
    EXPECT_TRUE(same(&b.PCAL, &blank.PCAL, sizeof b.PCAL));
    EXPECT_TRUE(same(&p, &pint, sizeof p));
  }
}

TEST_F(Kalo, NoIterationOnlyRecomputesTheDensity) {
  three_shears();
  trol.MITER = 0;
  for (int k = 1; k <= 51; ++k) stor.HFAC(k, 2) = 0.5f;
  tran.RHO(26, 26) = -7.0f;
  EXPECT_TRUE(run().empty());
  EXPECT_TRUE(log().empty());
  EXPECT_EQ(ICON, -1);
  EXPECT_EQ(QAVD, -1.0f);
  EXPECT_EQ(tran.RHO(26, 26), 0.5f);  // s = 0 on every view
}

TEST_F(Kalo, AWorseSecondIterationIsUndoneAndReported) {
  // Two identical views whose profiles disagree by a factor 2: the first
  // sweep fits projection 2, the second then spoils projection 1.
  make_state(0.5f, 0.5f, {{1, 0, 0, 1}, {1, 0, 0, 1}});
  for (int k = 1; k <= 51; ++k) expd.PR(k, 1) = 0.5f * (expd.PR(k, 2) = 2.04f);
  for (int k = 1; k <= 51; ++k) stor.HFAC(k, 9) = float(k);  // unused slots are saved too
  trol.QTOL = 0.005f;
  trol.MITER = 1;
  const stor_t start = stor;
  run();
  EXPECT_TRUE(same(&conti.HSAVE, &start.HFAC, sizeof start.HFAC));
  const stor_t first = stor;
  const float first_qavd = QAVD;

  stor = start;
  trol.MITER = 9;
  const std::vector<std::string> out = run();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(log(), (std::vector<std::string>{out[0], out[0], out[1]}));  // both calls' lines
  EXPECT_GT(std::stof(out[1].substr(17, 9)), std::stof(out[0].substr(17, 9)));
  EXPECT_EQ(ICON, 2);
  EXPECT_EQ(QAVD, first_qavd);
  EXPECT_TRUE(same(&stor.HFAC, &first.HFAC, sizeof first.HFAC));
  EXPECT_TRUE(same(&conti.HSAVE, &stor.HFAC, sizeof first.HFAC));
}

TEST_F(Kalo, ZeroComputedValuesAreLoggedAsInfinite) {
  three_shears();
  project(gauss);  // every sample measured but the window edges
  for (int l = 1; l <= 3; ++l) expd.PR(1, l) = expd.PR(51, l) = 0.0f;
  for (int k = 12; k <= 14; ++k) stor.HFAC(k, 2) = 0.0f;
  for (int k = 10; k <= 26; ++k) stor.HFAC(k, 3) = 0.0f;
  trol.MITER = 1;
  const std::vector<std::string> out = run();
  EXPECT_EQ(log(), (std::vector<std::string>{
                       " HFAC infinite   L   =   2; K   = 12,13,14,",
                       " HFAC infinite   L   =   3; K   = 10,11,12,13,14,15,16,17,18,19,20,21,22,23,24",
                       " HFAC infinite   L   =   3; K   = 25,26,", out.at(0)}));
  EXPECT_EQ(out[0].substr(0, 9), " ITER=  1");
  EXPECT_EQ(out[0].substr(26), ", NINF=  20, NIND=   2, NZER=   4, NOUT=   0, N= 127");
}

TEST_F(Kalo, ASweepWithoutAComparableSampleEndsTheCall) {
  // All factors 0: no computed value, so no QAVD.  The sweep is reported
  // with 1E21 (never convergence), undone, and the call ends.
  three_shears();
  for (int l = 1; l <= 3; ++l)
    for (int k = 1; k <= 51; ++k) stor.HFAC(k, l) = 0.0f;
  stor.HFAC(1, 1) = 2.0f;  // outside the disc: zeroed by the sweep, restored
  trol.PREC = 1.0e30f;
  const std::vector<std::string> out = run();
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].substr(0, 26), " ITER=  1, QAVD=  1.00E+21");
  EXPECT_EQ(out[0].substr(out[0].size() - 8), ", N=   0");
  EXPECT_EQ(ICON, 1);
  EXPECT_EQ(QAVD, 1.0e21f);
  EXPECT_EQ(stor.HFAC(1, 1), 2.0f);
}

}  // namespace
