// Time of a batch run and of its results files.
//
// batch_run: the whole process `kalo --data examples/KALOIN20.DAT --pages
// all --format pdf --quiet`, wall time from start to exit (pages only when
// the program has its page writer; --pages none otherwise).
// results_files: the quantities, the contour table and results.json and
// results.h5 of the 20-profile example after one iteration, written into
// the work folder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "bench/bench_state.h"
#include "driver/results.h"
#include "engine/kalo.h"

namespace {

#if __has_include("screens/pages.h")
constexpr const char* PAGES = "all";
#else
constexpr const char* PAGES = "none";
#endif

void batch_run(benchmark::State& state) {
  const std::string cmd = "cd '" + work_dir().string() + "' && '" KALO_BIN "' --data '" +
                          KALO_SOURCE_DIR "/examples/KALOIN20.DAT' --pages " + PAGES +
                          " --format pdf --quiet --out batch >/dev/null";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("the batch run failed");
}

void results_files(benchmark::State& state) {
  if (!prepare(20) || ::chdir(work_dir().c_str()) != 0) {
    state.SkipWithError("could not prepare the state");
    return;
  }
  int ICON = 0;
  float QAVD = 0.0f;
  kalo(ICON, QAVD);
  RunRecord run;
  run.data_file = "KALOIN20.DAT";
  std::string why;
  for (auto _ : state)
    if (!write_results(run, run_quantities(run), why)) state.SkipWithError(why.c_str());
}

BENCHMARK(batch_run)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(results_files)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench_main(argc, argv); }
