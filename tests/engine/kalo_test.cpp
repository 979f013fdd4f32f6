#include "engine/kalo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "records/text_records.h"
#include "tests/support/prepared.h"

namespace {

// Test source NTEST after the preparation, with no noise reduction and
// start factors 1.  Sources 1 and 5 (the disc and the tilted Gaussian) have
// three shears, SLIM = TLIM = 0.5 and SREF = SLIM.
void prepared(int NTEST) { kalo_test::prepare_source(NTEST, "N\n\n"); }

// Unit 7 on a log file; run() returns the terminal text, log() the log's.
class Kalo : public ::testing::Test {
 protected:
  void SetUp() override {
    kalo_test::enter_temp_dir();
    rec::open(7, path_, rec::Status::UNKNOWN);
  }
  void TearDown() override { rec::close(7); }
  std::string run() {
    ::testing::internal::CaptureStdout();
    kalo(ICON, QAVD);
    return ::testing::internal::GetCapturedStdout();
  }
  std::string log() const { return kalo_test::read_file(path_); }
  const kalo_test::TempDir dir_;
  const std::string path_ = dir_.file("KALOOUT.DAT");
  int ICON = -1;
  float QAVD = -1.0f;
};

template <typename T> bool same(const T& a, const T& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST_F(Kalo, AWorseSecondIterationIsUndoneAndReported) {
  // Two copies of the unsheared view whose profiles disagree by a factor 2:
  // the first sweep fits projection 2, the second then spoils projection 1.
  prepared(1);
  expd.NL = 2;
  stor.RMAT(1, 2, 1) = pint.BMAT(1, 2) = pint.BMAT(2, 1) = 0.0f;
  for (int k = 1; k <= 51; ++k) expd.PR(k, 1) = 0.5f * (expd.PR(k, 2) = 2.04f);
  for (int k = 1; k <= 51; ++k) stor.HFAC(k, 9) = float(k);  // unused slots are saved too
  trol.MITER = 1;
  const stor_t start = stor;
  run();
  EXPECT_TRUE(same(conti.HSAVE, start.HFAC));  // the values before the iteration
  const stor_t first = stor;
  const float first_qavd = QAVD;

  stor = start;
  trol.MITER = 9;
  const std::string out = run();
  const std::size_t second = out.find('\n') + 1;
  EXPECT_EQ(log(), out.substr(0, second) + out);  // both calls' lines
  EXPECT_GT(std::stof(out.substr(second + 17, 9)), std::stof(out.substr(17, 9)));
  EXPECT_EQ(ICON, 2);
  EXPECT_EQ(QAVD, first_qavd);
  EXPECT_TRUE(same(stor.HFAC, first.HFAC));
  EXPECT_TRUE(same(conti.HSAVE, stor.HFAC));
}

TEST_F(Kalo, ZeroComputedValuesAreLoggedAsInfinite) {
  prepared(5);  // every sample measured but the window edges
  for (int l = 1; l <= 3; ++l) expd.PR(1, l) = expd.PR(51, l) = 0.0f;
  for (int k = 12; k <= 14; ++k) stor.HFAC(k, 2) = 0.0f;
  for (int k = 10; k <= 26; ++k) stor.HFAC(k, 3) = 0.0f;
  trol.MITER = 1;
  const std::string out = run();
  EXPECT_EQ(log(), " HFAC infinite   L   =   2; K   = 12,13,14,\n"
                   " HFAC infinite   L   =   3; K   = 10,11,12,13,14,15,16,17,18,19,20,21,22,23,24\n"
                   " HFAC infinite   L   =   3; K   = 25,26,\n" + out);
  EXPECT_EQ(out.substr(0, 9), " ITER=  1");
  EXPECT_EQ(out.substr(26), ", NINF=  20, NIND=   2, NZER=   4, NOUT=   0, N= 127\n");
}

TEST_F(Kalo, ASweepWithoutAComparableSampleEndsTheCall) {
  // All factors 0: no computed value, so no QAVD.  The sweep is reported
  // with 1E21 (never convergence), undone, and the call ends.
  prepared(1);
  stor.HFAC = {};
  stor.HFAC(1, 1) = 2.0f;  // outside the disc: zeroed by the sweep, restored
  trol.PREC = 1.0e30f;
  const std::string out = run();
  EXPECT_EQ(out.substr(0, 26), " ITER=  1, QAVD=  1.00E+21");
  EXPECT_EQ(out.substr(48), ", NZER=   0, NOUT=   0, N=   0\n");  // one line
  EXPECT_EQ(ICON, 1);
  EXPECT_EQ(QAVD, 1.0e21f);
  EXPECT_EQ(stor.HFAC(1, 1), 2.0f);
}

// Reconstructs the noise-free test sources and compares RHO with the known
// density on the grid.  Error measure: the L1 distance of RHO from the known
// density over the 51 x 51 grid, relative to the known density's sum.  The
// bounds are what a correct reconstruction from three noise-free views
// reaches, plus a margin.  The tilted Gaussian (5) is itself a product of
// Gaussians along the three views and comes back to about 1 %; its bound
// catches a shift by one sample.  The disc (1) and the disc inside a ring (3)
// are not of that form: three views leave the disc's edge smeared (about
// 21 %) and cannot tell the gap between disc and ring from the views, which
// fill it (about 55 %).  In every case the mass must match and the call must
// converge.
TEST_F(Kalo, ReconstructsTheNoiseFreeSourcesWithinTheirBounds) {
  const struct { int NTEST; float bound; } cases[] = {{1, 0.25f}, {3, 0.60f}, {5, 0.03f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.NTEST);
    prepared(c.NTEST);
    trol.MITER = 30;
    run();
    double diff = 0, total = 0, mass = 0;
    for (int j = 1; j <= 51; ++j)
      for (int i = 1; i <= 51; ++i) {
        const float rho = sofun(tran.XGRID(i), tran.YGRID(j));
        diff += std::fabs(double(tran.RHO(i, j)) - rho);
        total += rho;
        mass += tran.RHO(i, j);
      }
    EXPECT_LE(diff / total, c.bound);
    EXPECT_NEAR(mass / total, 1.0, 0.03);
    EXPECT_LE(QAVD, trol.PREC);
  }
}

}  // namespace
