// The graph library's plots drawn for real: in the graphics window on the
// X server of the tests (read back and checked for their colours) and as
// pages of a PostScript file that Ghostscript must render without an error.
// With KALO_PICTURES set to a folder, the screenshots and rendered pages
// are kept there to be looked at.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "device/ps/ps.h"
#include "device/x11/window.h"
#include "driver/run_state.h"
#include "graph/contour.h"
#include "graph/graph_state.h"
#include "graph/plot.h"
#include "graph/surface.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_image.h"

namespace {

constexpr int N = 51;
float XG[N], YG[N], RHO[N * N], LEV[25], HOR[N];
float S[2 * N], P[2 * N];

// A tilted, off-centre Gaussian beam on a grid of +-1 cm and +-2 mrad, and
// a measured-looking profile with its smooth computed projection.
void make_data() {
  for (int i = 0; i < N; ++i) {
    XG[i] = float(i) * 0.04f - 1.0f;
    YG[i] = float(i) * 0.00008f - 0.002f;
  }
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) {
      const double u = (XG[i] - 0.1) / 0.3, v = (YG[j] - 0.0002) / 0.0006;
      RHO[i + N * j] = float(std::exp(-0.5 * (u * u - 1.2 * u * v + v * v) / (1 - 0.36)));
    }
  for (int k = 0; k < N; ++k) {
    S[k] = S[N + k] = float(k) * 0.04f;
    const double s = (S[k] - 1.1) / 0.35;
    P[N + k] = float(10.0 * std::exp(-0.5 * s * s));
    P[k] = P[N + k] * float(1.0 + 0.08 * std::sin(7.0 * k));
  }
}

const std::string TITLE = "Off-center tilted gaussian";

// The five pictures; `paper` picks the paper colours (4 for the screen's 5).
void profile(const Twin& t, bool paper) {
  t.pen.colour(3);
  tplot(t, S, P, 2 * N, 1, -1, -1, "S (cm)", 6, "Proj", 4, "L = 1", 5, 1, 1, -1, 0, 1, 1, 1.0f, 0,
        0, 0, 0, 0, 0);
  t.pen.colour(paper ? 4 : 5);
  tplot(t, S, P, N, 0, -1, -1, "", 0, "", 0, "", 0, 1, 1, -1, 8, 1, 1, 1.0f, 0, 0, 0, 0, 0, 0);
  t.pen.colour(1);
  tplot(t, S, P + N, N, 0, -1, -1, "", 0, "", 0, "", 0, 1, 1, 0, 0, 1, 1, 1.0f, 0, 0, 0, 0, 0, 0);
}
void contour(const Twin& t, bool) {
  tcontr(t, XG, -N, YG, -N, RHO, N, 51, 8, 0.0f, 1.0f, 0.1f, LEV, 0, 0, "S (cm)", 6, "T (r) ", 5,
         TITLE, int(TITLE.size()), 1.0f, 0, 0, 0, 0, 0, 0);
}
void emittance(const Twin& t, bool) {
  t.pen.colour(2);
  tplot(t, ps.EMIT.data(), ps.FOUT.data(), ps.NCL - 1, 1, -1, -1, "* Pi (mmmrad)", 14, "100-%",
        5, TITLE, int(TITLE.size()), 1, 2, 0, 2, 1, 1, 1.0f, 0, 0, 0, 0, 0, 0);
}
void surface(const Twin& t, bool paper, int kflip) {
  t.pen.colour(paper ? 4 : 5);
  tiso3d(t, RHO, N, N, N, kflip, HOR, TITLE, int(TITLE.size()), 0, 0);
}

struct Scene {
  const char* name;
  std::function<void(const Twin&, bool)> draw;
  std::vector<int> colours;  // screen colour indices the picture must show
};
const Scene SCENES[] = {
    {"profile", profile, {3, 5, 1}},
    {"contour", contour, {3, 5, 2}},
    {"emittance", emittance, {3, 2}},  // texts take the grid colour
    {"surface", [](const Twin& t, bool p) { surface(t, p, 0); }, {5, 3}},
    {"surface-turned", [](const Twin& t, bool p) { surface(t, p, 1); }, {5, 3}},
};
constexpr std::uint32_t COLOUR[9] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF7F, 0x0000FF,
                                     0x00FFFF, 0xBC8F8F, 0xFFFF00, 0x030303};

std::string keep_dir() {
  const char* d = std::getenv("KALO_PICTURES");
  return d ? d : "";
}

TEST(Pictures, InTheWindow) {
  Display* ctl = x_open();
  if (!ctl) GTEST_SKIP() << "no X display";
  make_data();
  inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
  for (const Scene& sc : SCENES) {
    XShot shot = x_draw_shot(ctl, [&] {
      tekt = TEKT_SCREEN;
      sc.draw(screen_twin(), false);
    });
    for (int c : sc.colours) {
      int n = 0;
      for (std::uint32_t p : shot.rgb) n += p == COLOUR[c];
      EXPECT_GT(n, 200) << sc.name << ": colour " << c;
    }
    if (!keep_dir().empty()) x_save_png(shot, keep_dir() + "/screen-" + sc.name + ".png");
  }
  XCloseDisplay(ctl);
}

TEST(Pictures, OnPaper) {
  kalo_test::enter_temp_dir();
  make_data();
  coltag = {1, 0.2f, 0.2f, 1.0f, 1.0f, 8.0f, 2};
  psopen("pictures.ps");
  bool first = true;
  for (const Scene& sc : SCENES) {
    if (!first) psnewpage();
    first = false;
    pstxts(coltag.PSTS);
    tekt = TEKT_SCREEN;
    tekt.DEVX = tekt.DEVY = 115.2f;
    sc.draw(paper_twin(), true);
  }
  pscls();
  ASSERT_EQ(std::system("gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=png16m -r60 "
                        "-sOutputFile=page-%d.png pictures.ps >gs.out 2>&1"),
            0)
      << kalo_test::read_file("gs.out");
  EXPECT_EQ(kalo_test::read_file("gs.out"), "");
  for (int k = 1; k <= 5; ++k) {
    const std::string page = "page-" + std::to_string(k) + ".png";
    EXPECT_GT(kalo_test::read_file(page).size(), 2000u) << page;
    if (!keep_dir().empty())
      std::system(("cp " + page + " '" + keep_dir() + "/paper-" + SCENES[k - 1].name + ".png'")
                      .c_str());
  }
}

}  // namespace
