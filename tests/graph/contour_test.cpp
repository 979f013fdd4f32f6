// The contour plot: level choice, triangle contouring with letters, the
// area integration, and the emittance of a beam whose emittance is known.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "graph/contour.h"
#include "graph/graph_state.h"
#include "graph/plot.h"
#include "tests/support/recording_pen.h"

namespace {

constexpr int N = 51;
float X[N], Y[N], Z[N * N], LEV[25];

// A Gaussian beam on the 51 x 51 grid from -0.5 to 0.5 on both axes, with
// rms widths sx (cm) and sy (rad), or a density of zeros.
void gaussian(float sx, float sy) {
  for (int i = 0; i < N; ++i) X[i] = Y[i] = float(i) * 0.02f - 0.5f;
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i)
      Z[i + N * j] = sx > 0 ? float(std::exp(-0.5 * (X[i] * X[i] / (sx * sx) +
                                                     Y[j] * Y[j] / (sy * sy))))
                            : 0.0f;
}

// The frames' contour call: levels from the data, no rounding.
void contour(Pen& pen, int ncont, int notitl = 0, const Twin* twin = nullptr) {
  tekt = TEKT_SCREEN;
  tekt.DEVX = tekt.DEVY = 1.0f;
  Twin t = twin ? *twin : screen_twin(pen);
  tcontr(t, X, -N, Y, -N, Z, N, 51, ncont, 0.0f, 1.0f, 0.1f, LEV, 0, 0, "S (cm)", 6, "T (r) ", 5,
         "beam", 4, 1.0f, 0, 0, 0, 0, notitl, 1);
}

TEST(Contour, LevelCountsSpacingAndRounding) {
  gaussian(0.1f, 0.1f);
  struct Case {
    int ncont, ncl, klab;
    bool nonlinear;
  } cases[] = {{8, 8, 1, false}, {-8, 8, 0, false}, {108, 8, 1, true}, {-103, 3, 0, true},
               {2, 3, 1, false}, {40, 25, 1, false}, {100, 25, 1, true}};
  for (const Case& c : cases) {
    RecordingPen pen;
    contour(pen, c.ncont);
    SCOPED_TRACE(c.ncont);
    EXPECT_EQ(ps.NCL, c.ncl);
    EXPECT_EQ(csymb.KLAB, c.klab);
    EXPECT_EQ(LEV[0], Z[0]);  // the smallest value of the grid, in its corner
    const float span = 0.99f * 1.0f - Z[0];
    const float t = 1.0f / float(c.ncl - 1), s = t * t;
    EXPECT_NEAR(LEV[1], c.nonlinear ? span * s * (0.75f * s * s + 0.25f) : span * t, 1e-6f);
    EXPECT_NEAR(LEV[c.ncl - 1], 0.99f, 1e-5f);
    // At t = 0.5 the non-linear level lies at 7.4 % of the span.
    if (c.ncl == 3 && c.nonlinear) {
      EXPECT_NEAR(LEV[1] / 0.99f, 0.0742f, 1e-4f);
    }
  }

  // Rounding of the level range: zmin 0.03, zmax 1.0, 10 levels.
  RecordingPen pen;
  tcontr(screen_twin(pen), X, N, Y, N, Z, N, 0, 10, 0.03f, 1.0f, 0, LEV, 0, 0, "", 0, "", 0, "",
         0, 0, 0, 0, 0, 0, 1, 1);
  EXPECT_EQ(ps.NCL, 10);
  EXPECT_EQ(LEV[0], 0.0f);
  EXPECT_NEAR(LEV[1], 0.1067f, 1e-4f);
  EXPECT_NEAR(LEV[9], 0.96f, 1e-4f);
}

TEST(Contour, AreasAndSharesAboveEachLevel) {
  // One row (2, 2, 0): from the implied 0 before it up to 2, across, down.
  const float row[3] = {2, 2, 0}, lev[2] = {0, 1};
  float area[2], frac[2];
  phspc(row, 3, 3, 1, lev, 2, 1.0f, 1.0f, area, frac);
  EXPECT_EQ(area[0], 30000.0f);  // 1 + 1 + 1 cells above 0
  EXPECT_EQ(area[1], 20000.0f);  // 0.5 + 1 + 0.5 above 1
  EXPECT_EQ(frac[0], 100.0f);
  EXPECT_EQ(frac[1], 75.0f);  // 3 of 4 density units above level 1
  const float zero[3] = {0, 0, 0};
  phspc(zero, 3, 3, 1, lev, 2, 1.0f, 1.0f, area, frac);
  EXPECT_EQ(frac[1], 0.0f);  // no density: no share, no division by zero
}

TEST(Contour, TrianglesAndLetters) {
  tekt = TEKT_SCREEN;
  tekt.DEVX = tekt.DEVY = 1.0f;
  RecordingPen pen;
  const float x[2] = {0, 1}, y[2] = {0, 1}, lev[3] = {1, 2, 3};
  tplot(screen_twin(pen), x, y, 2, 1, -1, -1, "", 0, "", 0, "", 0, 1, 1, -1, 0, 1, 1, 1.0f, 0, 0,
        0, 0, 1, 1);
  for (int j = 1; j <= MAX_LEVELS; ++j) cntrcom.NSEG(j) = 0;
  csymb.KLAB = 1;
  trict_reset();
  pen.ops.clear();
  // Right angle at (0, 0) with value 0; 4 at (1, 0), 4 at (0, 1): levels
  // 1 and 2 and 3 cross the two legs.
  trict(screen_twin(pen), 0.0f, 0.0f, 1.0f, 1.0f, 3, lev, 4.0f, 0.0f, 4.0f);
  // Level 1 (colour 5): counts 1 and 2, no letter.  Level 2 (colour 2):
  // counts 3 and 4, B at its first point.  Level 3: 5, 6, C at the second.
  EXPECT_EQ(pen.kinds(), "cmdfcmdtfcmdtf");
  EXPECT_EQ(pen.ops[0].i, 5);
  EXPECT_EQ(pen.ops[4].i, 2);
  EXPECT_EQ(pen.ops[7].text, "B");
  EXPECT_EQ(pen.ops[7].x, pen.ops[5].x);
  EXPECT_EQ(pen.ops[7].y, pen.ops[5].y);
  EXPECT_EQ(pen.ops[12].text, "C");
  EXPECT_EQ(pen.ops[12].x, pen.ops[11].x);
  // The segment handled last, handed in again (as the two triangles of a
  // cell hand in a contour along their shared diagonal), is not drawn twice.
  pen.ops.clear();
  trict(paper_twin(pen), 0.0f, 0.0f, 1.0f, 1.0f, 1, lev + 2, 4.0f, 0.0f, 4.0f);
  EXPECT_EQ(pen.kinds(), "c");
  EXPECT_EQ(pen.ops[0].i, 4);  // paper: 2 + 2 (m mod 2)
}

TEST(Contour, EmittanceOfAGaussianBeam) {
  // The ellipse holding 86 % of an uncorrelated Gaussian beam has the area
  // pi * 3.93 sx sy, so EMIT86 = 3.93 sx sy * 10000 mm mrad.  The grid
  // limits how near it comes: measured 0.5 to 0.8 % above with 2.5 and 5
  // grid steps per rms width, 4 % above with 2 steps, for every level count.
  // With 3 and 8 linear levels the first entry of the table already has
  // 14 % outside, and the value is carried back from the first two.
  struct Beam {
    float sx, sy, tolerance;
  } beams[] = {{0.1f, 0.05f, 0.01f}, {0.04f, 0.04f, 0.05f}};
  for (const Beam& b : beams) {
    gaussian(b.sx, b.sy);
    const float expected = -2.0f * std::log(0.14f) * b.sx * b.sy * 10000.0f;
    for (int ncont : {-110, 110, -125, 25, 8, 3}) {
      RecordingPen pen;
      contour(pen, ncont);
      EXPECT_NEAR(ps.EMIT86 / expected, 1.0f, b.tolerance) << ncont << ": " << ps.EMIT86;
      // The table: emittance falls and the share outside rises with k.
      for (int k = 2; k <= ps.NCL - 1; ++k) {
        EXPECT_LT(ps.EMIT(k), ps.EMIT(k - 1));
        EXPECT_GT(ps.FOUT(k), ps.FOUT(k - 1));
      }
    }
  }
}

TEST(Contour, LegendOnScreenAndPaper) {
  gaussian(0.1f, 0.1f);
  RecordingPen scr, pap;
  contour(scr, 3);
  Twin paper = paper_twin(pap);
  contour(pap, 3, 0, &paper);
  auto legend = [](const RecordingPen& p) {
    std::vector<RecordingPen::Op> out;
    for (const auto& t : p.texts())
      if (t.x > 32.0f - 20.0f * 0.32f) out.push_back(t);
    return out;
  };
  const auto s = legend(scr), p = legend(pap);
  ASSERT_EQ(s.size(), 1u + 3u * 3u);
  ASSERT_EQ(p.size(), s.size());
  EXPECT_EQ(s[0].text, "Cont  mmmrad   %");
  EXPECT_EQ(p[0].text, "Cont    mmmrad      %");
  EXPECT_EQ(s[1].text, "A:");
  // Screen: share (level 1 holds the whole beam), then area 6 characters
  // to its left; paper: area, then share 8 characters right of it.
  EXPECT_EQ(s[2].text, "  100.0");
  EXPECT_EQ(p[3].text, "  100.0");
  EXPECT_FLOAT_EQ(s[2].x - s[3].x, 6 * 0.32f);
  EXPECT_FLOAT_EQ(p[3].x - p[2].x, 8 * 0.32f);
  EXPECT_EQ(s[3].text.size(), 8u);
  // notitl: no legend texts at all.
  RecordingPen quiet;
  contour(quiet, 3, 1);
  EXPECT_TRUE(legend(quiet).empty());
}

TEST(Contour, ADensityOfZerosGetsTheFrameAlone) {
  gaussian(0.0f, 0.0f);
  RecordingPen pen;
  contour(pen, -110);
  for (const auto& o : pen.ops) EXPECT_FALSE(o.kind == 'c' && o.i != 3);  // no level colours
  EXPECT_EQ(ps.EMIT86, 0.0f);
  EXPECT_EQ(ps.EMIT(1), 0.0f);
  EXPECT_EQ(tekt.PXMAX, 32.0f);  // the region is given back
}

}  // namespace
