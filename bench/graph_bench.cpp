// Time of the two heaviest plots, each drawn through the paper pen into a
// PostScript file: graph_contour, the contour plot of a tilted Gaussian on
// the 51 x 51 grid with 25 levels and its legend; graph_surface, the
// hidden-line surface of the same grid.  One benchmark iteration is one
// whole page (psnewpage, the plot, its KALO.PS lines written to the file).
//
// Then each result frame of a reconstruction of the 20-profile example (9
// iterations): frame_screen/N draws frame N in the graphics window and
// waits until the X server has drawn it (N = 100: the emittance curve; it
// needs a display and is skipped without one); frame_page/N writes it as a
// page of KALO.PS.  That is the time from the answer to the drawn frame.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <unistd.h>

#include "bench/bench_state.h"
#include "device/ps/ps.h"
#include "device/x11/window.h"
#include "state/run_state.h"
#include "engine/kalo.h"
#include "graph/contour.h"
#include "graph/graph_state.h"
#include "graph/surface.h"
#include "screens/frames.h"
#include "screens/hardcopy.h"

namespace {

constexpr int N = 51;
float X[N], Y[N], Z[N * N], LEV[25], HOR[N];

void setup() {
  static bool done = false;
  if (done) return;
  done = true;
  for (int i = 0; i < N; ++i) {
    X[i] = float(i) * 0.04f - 1.0f;
    Y[i] = float(i) * 0.00008f - 0.002f;
  }
  for (int j = 0; j < N; ++j)
    for (int i = 0; i < N; ++i) {
      const double u = (X[i] - 0.1) / 0.3, v = (Y[j] - 0.0002) / 0.0006;
      Z[i + N * j] = float(std::exp(-0.5 * (u * u - 1.2 * u * v + v * v) / 0.64));
    }
  if (chdir(work_dir().c_str()) != 0) return;
  coltag = {1, 0.2f, 0.2f, 1.0f, 1.0f, 8.0f, 2};
  psopen("KALO.PS");
  tekt = TEKT_SCREEN;
  tekt.DEVX = tekt.DEVY = 115.2f;
}

void graph_contour(benchmark::State& state) {
  setup();
  for (auto _ : state) {
    psnewpage();
    tcontrps(X, -N, Y, -N, Z, N, 51, 125, 0.0f, 1.0f, 0.1f, LEV, 0, 0, "S (cm)", 6, "T (r) ", 5,
             "bench", 5, 1.0f, 0, 0, 0, 0, 0, 0);
  }
}
BENCHMARK(graph_contour)->Unit(benchmark::kMillisecond);

void graph_surface(benchmark::State& state) {
  setup();
  for (auto _ : state) {
    psnewpage();
    tiso3dps(Z, N, N, N, 0, HOR, "bench", 5, 0, 0);
  }
}
BENCHMARK(graph_surface)->Unit(benchmark::kMillisecond);

// The reconstructed example, made once; false when it could not be.
bool reconstructed() {
  static const bool ok = [] {
    if (!prepare(20)) return false;
    trol.MITER = 9;
    int icon = 0;
    float qavd = 0.0f;
    kalo(icon, qavd);
    coltag = {1, 0.2f, 0.2f, 1.0f, 1.0f, 8.0f, 2};
    return true;
  }();
  return ok;
}

// Frame n through the sheet s (the contour plot first for the emittance
// curve, which shows its table).
void draw(const Sheet& s, int n) {
  frames_setup();
  switch (n) {
    case 1: draw_profile(s, 1, "L = 1", "S (cm)", "Proj", 4, 0); break;
    case 2: draw_hfactors(s, 1, "L = 1"); break;
    case 3: draw_contour(s, -110); break;
    case 4: draw_surface(s, 1); break;
    case 5: draw_surface(s, 0); break;
    case 6: draw_x_projection(s); break;
    case 7: draw_t_projection(s); break;
    case 8: draw_overview(s, -110); break;
    default: draw_emittance(s); break;
  }
}

void frame_screen(benchmark::State& state) {
  if (!reconstructed() || !std::getenv("DISPLAY")) {
    state.SkipWithError("needs the reconstruction and an X display");
    return;
  }
  inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
  const int n = int(state.range(0));
  for (auto _ : state) {
    tekt = TEKT_SCREEN;
    erase();
    draw(screen_sheet(), n);
    flush_xwi();
    xwi_sync();
  }
}
BENCHMARK(frame_screen)->DenseRange(1, 8)->Arg(100)->Unit(benchmark::kMillisecond);

void frame_page(benchmark::State& state) {
  setup();
  if (!reconstructed()) {
    state.SkipWithError("needs the reconstruction");
    return;
  }
  const int n = int(state.range(0));
  const int item = n == 3 ? -110 : 1;
  for (auto _ : state) splotps(n, item);
}
BENCHMARK(frame_page)->DenseRange(1, 8)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench_main(argc, argv, [] { pscls(); }); }
