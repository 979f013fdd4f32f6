// Time of the two heaviest plots, each drawn through the paper pen into a
// PostScript file: graph_contour, the contour plot of a tilted Gaussian on
// the 51 x 51 grid with 25 levels and its legend; graph_surface, the
// hidden-line surface of the same grid.  One benchmark iteration is one
// whole page (psnewpage, the plot, its KALO.PS lines written to the file).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "device/ps/ps.h"
#include "driver/run_state.h"
#include "graph/contour.h"
#include "graph/graph_state.h"
#include "graph/surface.h"

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
  const std::string dir = std::filesystem::temp_directory_path().string() + "/kalo_graph_bench_" +
                          std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  if (chdir(dir.c_str()) != 0) return;
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

}  // namespace

BENCHMARK_MAIN();
