// Scale choice, axes, curves and the framed plot, checked in graph units
// through a recording pen (device scale 1), and the exact KALO.PS lines of
// a small paper plot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "device/ps/ps.h"
#include "state/run_state.h"
#include "graph/graph_state.h"
#include "graph/plot.h"
#include "tests/support/recording_pen.h"
#include "tests/support/temp_dir.h"

namespace {

// The whole window in graph units, drawn at one device unit per graph unit.
void unit_page() {
  tekt = TEKT_SCREEN;
  tekt.DEVX = tekt.DEVY = 1.0f;
}

// Framed plot of n points without line or symbol, through `pen`.
void frame(RecordingPen& pen, const std::vector<float>& x, const std::vector<float>& y,
           int iytype = 1) {
  tplot(screen_twin(pen), x.data(), y.data(), int(x.size()), 1, -1.0f, -1.0f, "S (cm)", 6,
        "Proj", 4, "L = 1", 5, 1, iytype, -1, 0, 1, 1, 1.0f, 0, 0, 0, 0, 0, 1);
}

TEST(Scale, RoundsLimitsAndChoosesTicks) {
  struct Case {
    float lo, hi;
    int type;
    float xmin, xmax;
    int type_out, tics, den, dec, wid;
  } cases[] = {
      {0.13f, 2.87f, 1, 0.1f, 2.9f, 1, 8, 4, 1, 4},
      {0.0f, 100.0f, 1, 0.0f, 100.0f, 1, 6, 2, -1, 4},
      {0.0f, 2.000004f, 1, 0.0f, 2.0f, 1, 5, 5, 1, 4},   // within 0.0001 units: stays
      {0.0f, 2.0002f, 1, 0.0f, 2.1f, 1, 8, 3, 1, 4},
      {-3.0f, -0.35f, 1, -3.0f, -0.3f, 1, 10, 3, 1, 4},  // negative max toward zero
      {-0.35f, 2.0f, 1, -0.4f, 2.0f, 1, 5, 6, 1, 4},     // negative min away from zero
      {0.02f, 350.0f, 2, 0.01f, 1000.0f, 2, 6, 10, -1, 5},
      // Data the rounding cannot take as they are.
      {1.0f, 1.0f, 1, 0.9f, 1.1f, 1, 5, 5, 2, 5},    // zero range: a tenth each way
      {0.0f, 0.0f, 1, -1.0f, 1.0f, 1, 5, 5, 1, 4},   // zero range at 0
      {0.0f, 10.0f, 2, 0.0f, 10.0f, 1, 6, 2, -1, 3},  // log axis over 0: linear
      {0.0f, 2e-8f, 1, 0.0f, 2e-8f, 1, 5, 5, EXPONENT_LABEL, 9},  // labels too wide
      {1.0f, 1.00001f, 2, 1.0f, 10.0f, 2, 2, 10, 6, 9},  // one decade at least
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lo) + ".." + std::to_string(c.hi));
    binitt();
    slimx(2.0f, 12.0f);
    slimy(1.0f, 5.0f);
    xtype(c.type);
    const float nan = std::nanf("");
    const float x[3] = {c.lo, nan, c.hi}, y[3] = {0.0f, nan, 1.0f};
    npts(3);
    check(x, y);
    EXPECT_NEAR(scal.XMIN, c.xmin, std::fabs(c.xmin) * 1e-5f);
    EXPECT_NEAR(scal.XMAX, c.xmax, std::fabs(c.xmax) * 1e-5f);
    EXPECT_EQ(loglin.XTYPE, c.type_out);
    EXPECT_EQ(axis.XTICS, c.tics);
    EXPECT_EQ(axis.XDEN, c.den);
    EXPECT_EQ(axis.XDEC, c.dec);
    EXPECT_EQ(axis.XWID, c.wid);
    if (c.type_out == 2) EXPECT_FLOAT_EQ(scal.XFAC, 10.0f / (c.tics - 1));
    else EXPECT_FLOAT_EQ(scal.XFAC, 10.0f / (scal.XMAX - scal.XMIN));
  }
}

TEST(Scale, SearchesFindTheFirstBestInScanOrder) {
  int i, j;
  float v;
  const float a[4] = {3, 7, 7, 1};
  maxv(a, 1, 4, i, v);
  EXPECT_EQ(i, 2);
  EXPECT_EQ(v, 7);
  minv(a, 2, 2, i, v);  // 3, 7
  EXPECT_EQ(i, 1);
  const float b[2] = {-5, 4};
  maxav(b, 1, 2, i, v);
  EXPECT_EQ(v, -5);
  minav(b, 1, 2, i, v);
  EXPECT_EQ(v, 4);
  // 2 x 2 in a leading dimension of 3: a(1,2) and a(2,1) tie; rows are the
  // outer loop, so (1,2) wins.
  const float m[6] = {1, 9, 0, 9, -12, 0};
  maxm(m, 3, 2, 2, i, j, v);
  EXPECT_EQ(i * 10 + j, 12);
  maxam(m, 3, 2, 2, i, j, v);
  EXPECT_EQ(v, -12);
  minm(m, 3, 2, 2, i, j, v);
  EXPECT_EQ(v, -12);
  minam(m, 3, 2, 2, i, j, v);
  EXPECT_EQ(v, 1);
}

TEST(Axes, GridLabelsAndMinorTicks) {
  unit_page();
  RecordingPen pen;
  frame(pen, {0.13f, 2.87f}, {0.0f, 100.0f});
  ASSERT_EQ(axis.XTICS, 8);
  const float xt = (graph.SXMAX - graph.SXMIN) / 7.0f;
  std::vector<int> grid, minor;
  for (const auto& s : pen.segments(1, 1)) {
    int tick = int(std::lround((s.x1 - graph.SXMIN) / xt)) + 1;
    if (s.x1 == s.x2 && s.y1 == graph.SYMIN && s.y2 == graph.SYMAX) grid.push_back(tick);
    if (s.x1 == s.x2 && s.y2 == graph.SYMIN && s.y1 < s.y2) minor.push_back(tick);
  }
  EXPECT_EQ(grid, (std::vector<int>{1, 3, 5, 7, 8}));  // every second, and the last
  EXPECT_EQ(minor.size(), 7u * 4u + 1u);                 // XDEN 4 per interval
  // y: 0..100 gives 6 ticks of 20 with integer labels, 2 minor per interval.
  EXPECT_EQ(axis.YTICS, 6);
  std::vector<std::string> labels;
  for (const auto& t : pen.texts()) labels.push_back(t.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"0.1", "0.9", "1.7", "2.5", "0", "20", "40", "60",
                                              "80", "100", "S (cm)", "Proj", "L = 1"}));
  // Label 2.5 (F4.1: " 2.5") starts one character right of its position.
  const auto l25 = pen.texts()[3];
  const float w = float(axis.XWID) * 0.312f * tekt.CHARW;
  EXPECT_EQ(l25.x, graph.SXMIN + 6.0f * xt - 0.9f * w + tekt.CHARW);
  EXPECT_EQ(l25.i, 2);  // font INT(10 * 0.32) - 1
  // y labels stand left of the axis, (YWID + 3.5) minor-tick lengths away.
  EXPECT_EQ(pen.texts()[9].x, graph.SXMIN - (4.0f + 3.5f) * (0.32f * 0.78f * 1.2f) + 0.32f);
}

TEST(Axes, LabelsOfEveryKind) {
  unit_page();
  struct Case {
    float value;
    int ndec, width;
    std::string text;
    float shift;  // start relative to x, in character widths
  } cases[] = {
      {2.5f, 1, 4, "2.5", 1},        {-2.5f, 1, 4, "-2.5", 0},
      {1234.0f, -1, 4, "1234", 1},   {12345.0f, -1, 4, "****", 1},
      {3e9f, -1, 9, "3.00E+09", 1},  {2.5e-9f, EXPONENT_LABEL, 9, "2.50E-09", 1},
      {std::nanf(""), -1, 4, "NaN", 0},
  };
  for (const Case& c : cases) {
    RecordingPen pen;
    renout(paper_twin(pen), c.value, c.ndec, c.width, 5.0f, 7.0f);
    ASSERT_EQ(pen.ops.size(), 1u);
    EXPECT_EQ(pen.ops[0].text, c.text);
    EXPECT_EQ(pen.ops[0].x, 5.0f + c.shift * tekt.CHARW);
    EXPECT_EQ(pen.ops[0].y, 7.0f);
  }
}

TEST(Axes, LogarithmicAxisLabelsAndDecadeTicks) {
  unit_page();
  RecordingPen pen;
  frame(pen, {0.0f, 1.0f}, {0.01f, 100.0f}, 2);
  std::vector<std::string> labels;
  for (const auto& t : pen.texts()) labels.push_back(t.text);
  EXPECT_EQ(std::vector<std::string>(labels.begin() + 6, labels.begin() + 11),
            (std::vector<std::string>{"0.01", "0.1", "1.0", "10", "100"}));
  int ticks = 0;
  for (const auto& s : pen.segments(1, 1))
    if (s.y1 == s.y2 && s.x2 == graph.SXMIN && s.x1 < s.x2) ++ticks;
  EXPECT_EQ(ticks, 4 * 10);  // 1, 2, ..., 10 times each decade's power
}

TEST(Plot, LayoutTitlesSymbolsAndOverlays) {
  unit_page();
  RecordingPen pen;
  const float x[3] = {0, 1, 2}, y[3] = {1, 10, 100};
  // Aspect 1:1 makes the frame square; a long title starts at x = 0.
  tplot(screen_twin(pen), x, y, 3, 1, 1.0f, 1.0f, "X", 1, "Y", 1, "T", 200, 1, 2, -1, 4, 0, 1,
        1.0f, 0, 0, 0, 0, 0, 1);
  EXPECT_FLOAT_EQ(graph.SXMAX - graph.SXMIN, graph.SYMAX - graph.SYMIN);
  EXPECT_EQ(graph.SXMIN, 9.0f * 0.32f);
  EXPECT_EQ(graph.SYMIN, 0.5f + 3.0f * 0.6f);
  EXPECT_EQ(pen.texts().back().x, 0.0f);
  // istep 0 keeps STEPS 1: every point has a 0.24 x 0.24 square.
  int squares = 0;
  for (std::size_t k = 0; k + 4 < pen.ops.size(); ++k)
    if (pen.ops[k].kind == 'm' && pen.kinds().substr(k, 5) == "mdddd" &&
        std::fabs(pen.ops[k + 2].x - pen.ops[k].x - 0.24f) < 1e-5f)
      ++squares;
  EXPECT_EQ(squares, 3);
  EXPECT_EQ(pen.ops.back().kind, 'f');

  // An overlay keeps the log mapping and the symbol count: with istep 2
  // the letter A falls on the 4th and 6th point counted since binitt.
  pen.ops.clear();
  tplot(screen_twin(pen), x, y, 3, 0, 0, 0, "", 0, "", 0, "", 0, 1, 1, 0, 65, 2, 1, 0.0f, 0, 0,
        0, 0, 0, 0);
  EXPECT_EQ(pen.kinds(), "mddttf");
  EXPECT_FLOAT_EQ(pen.ops[1].y, graph.SYMIN + scal.YFAC);  // 10 is one decade up
  EXPECT_EQ(pen.ops[3].text, "A");
  EXPECT_EQ(pen.ops[3].x, pen.ops[0].x);
  EXPECT_EQ(pen.ops[3].i, 0);
}

TEST(Plot, ScreenAndPaperDrawTheSameSegmentsAndPaperNeitherFlushesNorColours) {
  const float x[4] = {0.13f, 1.0f, 2.0f, 2.87f}, y[4] = {3, -1, 4, 0.5f};
  auto draw = [&](const Twin& t) {
    tplot(t, x, y, 4, 1, -1, -1, "S (cm)", 6, "Proj", 4, "L = 1", 5, 1, 1, 0, 2, 1, 1, 1.0f, 0,
          0, 0, 0, 0, 0);
  };
  RecordingPen scr, pap;
  tekt = TEKT_SCREEN;
  draw(screen_twin(scr));
  tekt.DEVX = tekt.DEVY = 115.2f;
  draw(paper_twin(pap));
  const auto a = scr.segments(32, 32), b = pap.segments(115.2f, 115.2f);
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t k = 0; k < a.size(); ++k) {
    EXPECT_NEAR(a[k].x1, b[k].x1, 1e-4f);
    EXPECT_NEAR(a[k].y2, b[k].y2, 1e-4f);
  }
  std::string sk = scr.kinds(), pk = pap.kinds();
  EXPECT_EQ(std::count(pk.begin(), pk.end(), 'c'), 0);
  EXPECT_EQ(std::count(pk.begin(), pk.end(), 'f'), 1);
  EXPECT_EQ(std::count(sk.begin(), sk.end(), 'f'), 3);  // around the grid, at the end
  // Time stamp: the window writes the date first, paper the time first.
  auto stamp = [](const RecordingPen& p) {
    auto t = p.texts();
    return t[t.size() - 2].text.size() == 8 && t[t.size() - 2].text[2] == ':';
  };
  EXPECT_FALSE(stamp(scr));
  EXPECT_TRUE(stamp(pap));
}

TEST(Plot, SmallPaperPlotWritesTheseLines) {
  kalo_test::enter_temp_dir();
  coltag = {1, 0.2f, 0.2f, 1.0f, 1.0f, 8.0f, 1};
  tekt = TEKT_SCREEN;
  tekt.DEVX = tekt.DEVY = 115.2f;
  binitt();
  slimx(1.0f, 5.0f);
  slimy(1.0f, 4.0f);
  scal = {1.0f, 1.0f, 0.0f, 4.0f, 0.0f, 3.0f};
  psopen("small.ps");
  const float x[2] = {0, 1}, y[2] = {0, 2};
  tplotps(x, y, 2, 0, 0, 0, "", 0, "", 0, "", 0, 1, 1, 0, 8, 1, 1, 0.0f, 0, 0, 0, 0, 0, 0);
  timdsps(1.0f, 1.0f);
  pscls();
  std::string all = kalo_test::read_file("small.ps");
  std::size_t start = all.rfind("translate\n") + 10;
  std::string body = std::regex_replace(all.substr(start), std::regex(R"(\(.*\))"), "(..)");
  EXPECT_EQ(body,
            "  23.04  23.04 m\n  46.08  69.12 d\n"
            // upright crosses of half-size 0.12 at (1, 1) and (2, 3)
            "  23.04  20.28 m\n  23.04  25.80 d\n  20.28  23.04 m\n  25.80  23.04 d\n"
            "  46.08  66.36 m\n  46.08  71.88 d\n  43.32  69.12 m\n  48.84  69.12 d\n"
            " st\n"
            // time, then the date one line (0.6 units) above
            "  23.04  23.04 m (..) s st\n  23.04  36.86 m (..) s st\n"
            " st showpage\n");
}

}  // namespace
