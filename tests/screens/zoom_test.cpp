// The zoom and cut helpers around the plots, and the frames' own handling
// of a density that is zero everywhere.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "state/run_state.h"
#include "graph/contour.h"
#include "graph/graph_state.h"
#include "screens/frames.h"
#include "screens/zoom.h"
#include "tests/support/recording_pen.h"

namespace {

// A grid whose columns first..last hold i + j / 100, the others 0.
void columns(int first, int last) {
  reset_run_state();
  tran.NX = tran.NY = 51;
  for (int i = 1; i <= 51; ++i) {
    tran.XGRID(i) = float(i) * 0.1f;
    for (int j = 1; j <= 51; ++j)
      tran.RHO(i, j) = i >= first && i <= last ? float(i) + float(j) / 100.0f : 0.0f;
  }
}

TEST(Zoom, NarrowsAndStretchesOnlyAConfinedDensity) {
  columns(20, 30);
  const tran_t before = tran;
  modxscal(tran.XGRID, tran.NX, tran.NY, tran.RHO);
  EXPECT_EQ(tran.NX, 26);
  EXPECT_EQ(tran.XGRID(1), before.XGRID(13));
  EXPECT_EQ(tran.RHO(8, 5), before.RHO(20, 5));
  resxscal(tran.XGRID, tran.NX, tran.NY, tran.RHO);
  EXPECT_EQ(std::memcmp(&tran, &before, sizeof tran), 0);

  modxscal2(tran.XGRID, tran.NX, tran.NY, tran.RHO);
  EXPECT_EQ(tran.NX, 51);
  EXPECT_EQ(tran.RHO(1, 7), before.RHO(13, 7));
  EXPECT_EQ(tran.RHO(51, 7), before.RHO(38, 7));
  EXPECT_EQ(tran.RHO(2, 7), (before.RHO(13, 7) + before.RHO(14, 7)) / 2.0f);
  EXPECT_EQ(tran.RHO(17, 7), before.RHO(21, 7));
  resxscal2(tran.XGRID, tran.NX, tran.NY, tran.RHO);
  EXPECT_EQ(std::memcmp(&tran, &before, sizeof tran), 0);

  // A non-zero column 13 or 38 is not confined: nothing changes.
  for (int edge : {13, 38}) {
    columns(edge, 30 > edge ? 30 : edge);
    const tran_t wide = tran;
    modxscal(tran.XGRID, tran.NX, tran.NY, tran.RHO);
    modxscal2(tran.XGRID, tran.NX, tran.NY, tran.RHO);
    EXPECT_EQ(std::memcmp(&tran, &wide, sizeof tran), 0) << edge;
    resxscal(tran.XGRID, tran.NX, tran.NY, tran.RHO);
    resxscal2(tran.XGRID, tran.NX, tran.NY, tran.RHO);
    EXPECT_EQ(std::memcmp(&tran, &wide, sizeof tran), 0) << edge;
  }
}

TEST(Zoom, CutsAtTheEdgesOfTheNonZeroPartOnly) {
  struct Case {
    std::vector<float> h;
    int left, right;
    std::vector<float> after;
  } cases[] = {
      {{0, 0, 5, 6, 7, 8, 0}, 1, 2, {0, 0, 0, 6, 0, 0, 0}},
      {{0, 0, 5, 6, 7, 8, 0}, -1, -2, {0, 0, 0, 6, 0, 0, 0}},  // taken as 1, 2
      {{0, 0, 5, 6, 7, 8, 0}, 9, 0, {0, 0, 0, 0, 0, 0, 0}},    // past the end: stops there
      {{3, 0, 5}, 0, 9, {0, 0, 0}},
      {{0, 0, 0}, 2, 2, {0, 0, 0}},                          // nothing to cut
  };
  for (auto& c : cases) {
    std::vector<float> h = c.h;
    h.push_back(99.0f);  // beyond the column: never touched
    int left = c.left, right = c.right;
    cuthfac(h.data(), int(c.h.size()), left, right);
    EXPECT_EQ(std::vector<float>(h.begin(), h.end() - 1), c.after);
    EXPECT_EQ(h.back(), 99.0f);
    EXPECT_EQ(left, std::abs(c.left));
    EXPECT_EQ(right, std::abs(c.right));
  }
}

TEST(Frames, ADensityOfZerosIsDrawnWithoutDividingByZero) {
  columns(1, 0);  // zero everywhere
  expd.NK = 51;
  expd.NL = 1;
  for (int j = 1; j <= 51; ++j) tran.YGRID(j) = float(j) * 0.01f;
  tekt = TEKT_SCREEN;
  RecordingPen pen;
  const Sheet rec = sheet_with(screen_sheet(), screen_twin(pen));
  draw_t_projection(rec);
  draw_contour(rec, -110);
  draw_surface(rec, 0);
  draw_overview(rec, -110);
  for (const auto& o : pen.ops)  // no point or text that is not a number
    EXPECT_TRUE(std::isfinite(o.x) && std::isfinite(o.y) && o.text.find("NaN") == std::string::npos);
  EXPECT_EQ(ps.EMIT86, 0.0f);
  EXPECT_EQ(tekt.PXMAX, 32.0f);  // the overview ends in the whole window
}

}  // namespace
