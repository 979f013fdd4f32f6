// The isometric surface: raised node counts, the floating horizon that
// hides what lies behind the front rows, the turned view, and an empty
// surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "graph/graph_state.h"
#include "graph/surface.h"
#include "tests/support/recording_pen.h"

namespace {

float Z[51 * 51], HOR[51];
float& z(int i, int j) { return Z[(i - 1) + 51 * (j - 1)]; }

// Draws the surface with one device unit per graph unit; returns the pen.
RecordingPen surface(int nu, int nv, int kflip) {
  tekt = TEKT_SCREEN;
  tekt.DEVX = tekt.DEVY = 1.0f;
  RecordingPen pen;
  tiso3d(screen_twin(pen), Z, 51, nu, nv, kflip, HOR, "beam", 4, 0, 1);
  return pen;
}

// Geometry of the default page: scale, node steps and roof height.
struct Geometry {
  float scale, du, dv, roof, uf, vf;
};
Geometry geometry(int nv) {
  const float ratio = 0.57735026f;
  const float uwid = 32.0f - 2.0f * (2.0f * 0.32f);
  const float vfit = (23.5f - 2.0f * (2.0f * 0.6f)) / (2.0f * ratio);
  Geometry g;
  g.scale = std::min(uwid, vfit);
  g.du = g.scale / float(2 * nv);
  g.dv = g.du * ratio;
  g.roof = g.scale * ratio;
  g.uf = 16.0f;
  g.vf = 0.5f;
  return g;
}

TEST(Surface, TwoByTwoIsRaisedToThreeByThree) {
  std::fill(Z, Z + 51 * 51, 0.0f);
  z(1, 1) = 1.0f;  // the largest value of the 2 x 2 corner
  z(3, 3) = 0.5f;  // read only because the counts are raised
  const RecordingPen pen = surface(2, 2, 0);
  const Geometry g = geometry(3);
  EXPECT_EQ(pen.kinds().substr(0, 6), "mddddm");  // front row: 3 nodes, then down
  EXPECT_NEAR(pen.ops[1].y, g.vf + g.roof, 1e-4f);
  EXPECT_NEAR(pen.ops[3].x, g.uf + 2.0f * g.du, 1e-4f);
  float top = 0.0f;
  for (const auto& o : pen.ops)
    if (o.kind == 'd' && std::fabs(o.x - g.uf) < 1e-3f) top = std::max(top, o.y);
  // Node (3, 3) stands on the vertical through the front corner.
  EXPECT_NEAR(top, g.vf + 4.0f * g.dv + 0.5f * g.roof, 1e-4f);
}

TEST(Surface, ATallFrontPeakHidesWhatLiesBehindIt) {
  std::fill(Z, Z + 51 * 51, 0.0f);
  for (int i = 1; i <= 9; ++i)
    for (int j = 1; j <= 9; ++j) z(i, j) = 0.1f;
  z(5, 1) = 1.0f;
  const RecordingPen pen = surface(9, 9, 0);
  // The front row's outline: its node heights.
  std::vector<std::pair<float, float>> front;
  std::size_t k = 1;
  for (; pen.ops[k].kind == 'd' && front.size() < 9; ++k) front.push_back({pen.ops[k].x, pen.ops[k].y});
  auto outline = [&](float u) {
    for (std::size_t n = 1; n < front.size(); ++n)
      if (u <= front[n].first + 1e-4f) {
        float f = (u - front[n - 1].first) / (front[n].first - front[n - 1].first);
        return front[n - 1].second + f * (front[n].second - front[n - 1].second);
      }
    return -1e9f;
  };
  // Nothing drawn behind the front row lies below its outline, and the rows
  // right behind the peak disappear and come back (more moves than rows).
  int moves = 0;
  for (++k; k < pen.ops.size() && pen.ops[k].kind != 'c'; ++k) {
    const auto& o = pen.ops[k];
    if (o.kind == 'm') ++moves;
    if (o.kind == 'd' && o.x > front.front().first + 1e-4f && o.x < front.back().first) {
      EXPECT_GE(o.y, outline(o.x) - 1e-4f) << k;
    }
  }
  EXPECT_GT(moves, 8);
}

TEST(Surface, TurnedViewAndEmptySurface) {
  std::fill(Z, Z + 51 * 51, 0.0f);
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 5; ++j) z(i, j) = float(i + j);
  const Geometry g = geometry(5);
  RecordingPen pen = surface(5, 5, 7);  // any non-zero flag turns the view
  // The front corner now shows z(5, 5), the largest value, at roof height.
  EXPECT_NEAR(pen.ops[1].y, g.vf + g.roof, 1e-4f);
  // The turned box goes up the back right edge.
  const std::string kinds = pen.kinds();
  const std::size_t box = kinds.find('c');
  ASSERT_NE(box, std::string::npos);
  const float uu = 4.0f * g.du, vv = 4.0f * g.dv;
  EXPECT_NEAR(pen.ops[box + 4].x, g.uf, 1e-4f);
  EXPECT_NEAR(pen.ops[box + 4].y, g.vf + vv + vv + g.roof, 1e-3f);
  EXPECT_NEAR(pen.ops[box + 2].x, g.uf + uu, 1e-4f);

  // No positive value: the box, title, letters and nothing else.
  std::fill(Z, Z + 51 * 51, 0.0f);
  pen = surface(51, 51, 0);
  EXPECT_EQ(pen.kinds(), "cmddddmdddtttf");
  EXPECT_EQ(pen.texts()[1].text, "S");
}

}  // namespace
