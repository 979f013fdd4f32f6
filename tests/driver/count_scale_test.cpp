// The same beam measured in other units: counts multiplied by a constant
// give the same reconstruction.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver/data_file.h"
#include "driver/prep.h"
#include "engine/kalo.h"
#include "graph/contour.h"
#include "records/text_records.h"
#include "screens/frames.h"
#include "state/run_state.h"
#include "tests/support/recording_pen.h"
#include "tests/support/temp_dir.h"

namespace {

// An example with every sample multiplied by `factor`, prepared with the
// default answers and reconstructed; frame 3 is drawn for EMIT86.  A side
// lobe beyond the zeros after profile 1 is removed by the noise reduction
// on every scale.
void reconstruct(float factor, int& ICON, float& QAVD) {
  reset_run_state();
  kalo_test::feed_stdin("\n\n");
  ::testing::internal::CaptureStdout();
  readp();
  expd.PR(48, 1) = 100.0f;
  for (float& p : expd.PR.v) p *= factor;
  prep();
  kalo(ICON, QAVD);
  ::testing::internal::GetCapturedStdout();
  RecordingPen pen;
  draw_contour(sheet_with(screen_sheet(), screen_twin(pen)), -110);
}

// Counts from near the zero guard to near 1E30 against the examples as
// measured; the factors each run leaves are taken back from HFAC.DAT.
TEST(CountScale, TheExamplesInOtherUnitsGiveTheSameReconstruction) {
  kalo_test::enter_temp_dir();
  rec::open(7, "KALOOUT.DAT", rec::Status::UNKNOWN);
  for (std::string name : {"KALOIN.DAT", "KALOIN20.DAT"}) {
    kalo_test::write_file("KALOIN.DAT", kalo_test::read_file(KALO_SOURCE_DIR "/examples/" + name));
    int ICON1, ICON;  // unscaled, scaled
    float QAVD1, QAVD;
    reconstruct(1.0f, ICON1, QAVD1);
    const float EMIT1 = ps.EMIT86;
    const auto RHO1 = tran.RHO;
    const float peak = *std::max_element(std::begin(RHO1.v), std::end(RHO1.v));
    for (float factor : {1e-25f, 1e-3f, 4.0f, 100.0f, 1e6f, 1e25f}) {
      SCOPED_TRACE(name + " x" + std::to_string(factor));
      reconstruct(factor, ICON, QAVD);
      EXPECT_EQ(ICON, ICON1);
      EXPECT_NEAR(QAVD, QAVD1, 0.01f * QAVD1);
      EXPECT_NEAR(ps.EMIT86, EMIT1, 1e-4f * EMIT1);
      for (int i = 0; i < MAXG * MAXG; ++i)
        ASSERT_NEAR(tran.RHO.v[i] / factor, RHO1.v[i], 1e-4f * peak) << i;

      rec::open(HFAC_UNIT, HFAC_FILE, rec::Status::UNKNOWN);
      rec::write_formatted(HFAC_UNIT, FMT_HFAC_HEADER, {expd.NL, trol.TITLE});
      rec::write_formatted(HFAC_UNIT, FMT_HFAC_VALUES,
                           {rec::Item::reals(stor.HFAC.data(), 51 * expd.NL)});
      kalo_test::feed_stdin("F\n");  // prep2 opens unit 8 anew, which closes it
      ::testing::internal::CaptureStdout();
      prep2();
      EXPECT_EQ(::testing::internal::GetCapturedStdout().find("not found"), std::string::npos);
    }
  }
}

}  // namespace
