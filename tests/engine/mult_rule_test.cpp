// The multiplicative iteration rule.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/kalo.h"
#include "records/text_records.h"
#include "tests/support/prepared.h"

namespace {

int ICON = 0;  // of the last call
float QAVD = 0.0f;

// Test source 1..6 or example 7 (KALOIN.DAT), 8 (KALOIN20.DAT), prepared
// without noise reduction from start factors 1, under the multiplicative rule
// with PREC 0.
void prepared(int source) {
  kalo_test::prepare_source(source > 6 ? 0 : source, "N\n\n",
                            source == 7 ? "KALOIN.DAT" : "KALOIN20.DAT");
  rule.RULE = RULE_MULT, trol.PREC = 0.0f;
}

// One call of at most MITER sweeps; returns its log (unit 7, a fresh file).
std::string run(int MITER) {
  std::remove("KALOOUT.DAT");
  rec::open(7, "KALOOUT.DAT", rec::Status::UNKNOWN);
  trol.MITER = MITER;
  ::testing::internal::CaptureStdout();
  kalo(ICON, QAVD);
  ::testing::internal::GetCapturedStdout();
  rec::close(7);
  return kalo_test::read_file("KALOOUT.DAT");
}

// Every source and example (1..8), source 1 with a small count at its edge
// where every line integral is about 0 (0), and source 1 on one projection
// (9): 200 sweeps (calls run until each ends) leave finite, non-negative
// factors and a finite mismatch; one projection reaches PREC.
TEST(MultRule, StaysFiniteOverTwoHundredSweeps) {
  kalo_test::enter_temp_dir();
  for (int source = 0; source <= 9; ++source) {
    prepared(source % 9 == 0 ? 1 : source);
    if (source == 0) expd.PR(1, 1) = 1.0e-3f;
    if (source == 9) expd.NL = 1, trol.PREC = 0.01f;
    for (int sweeps = 0; sweeps < 200; sweeps += ICON) run(200 - sweeps);
    for (float h : stor.HFAC.v) ASSERT_TRUE(h >= 0.0f && std::isfinite(h)) << source;
    EXPECT_TRUE(std::isfinite(QAVD) && rule.QW < 1.0f) << source << ": " << QAVD;
    EXPECT_TRUE(source != 9 || (QAVD <= trol.PREC && rule.OMEGA0 == 1.0f)) << QAVD;
  }
}

// Run to its end, a call stops at the fourth worse sweep, which is undone:
// the step went from 0.5 to 1/32; one sweep less ends at 1/16.  The same
// input gives the same log, factors and density.
TEST(MultRule, AWorseSweepIsUndoneAndHalvesTheStep) {
  kalo_test::enter_temp_dir();
  prepared(7);
  const std::string log = run(500);
  const stor_t first = stor;
  const auto RHO = tran.RHO;
  EXPECT_EQ(std::memcmp(&stor.HFAC, &conti.HSAVE, sizeof stor.HFAC), 0);
  EXPECT_NE(log.find("OMEGA0=  5.00E-01, OMEGA=  3.12E-02, QW= "), std::string::npos) << log;
  prepared(7);
  EXPECT_EQ(run(500), log);
  EXPECT_FALSE(std::memcmp(&first, &stor, sizeof stor) || std::memcmp(&RHO, &tran.RHO, sizeof RHO));
  prepared(7);
  EXPECT_NE(run(ICON - 1).find("OMEGA=  6.25E-02"), std::string::npos);
}

}  // namespace
