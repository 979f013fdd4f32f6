// Time of one iteration of the maximum-entropy reconstruction.
//
// kalo_iteration/<kernel>/3/<rule>: test source 1 (three projections of the
// off-centre disc); kalo_iteration/<kernel>/20/<rule>: the 20-profile
// example examples/KALOIN20.DAT; for every line kernel this processor can
// run, and for both iteration rules (0 the ratio band, 1 the multiplicative
// rule).
// Each state is prepared once (no noise reduction, start factors 1); every
// benchmark iteration puts the start factors back and runs one kalo
// iteration, density included.  The iteration lines go to a log file in a
// temporary folder and to standard output, which is sent to /dev/null; the
// results are reported on standard error.
//
// kalo_new_geometry/<kernel>/<profiles>: a call of four iterations (as the
// batch run of KALOIN20.DAT makes) right after the geometry changed, as the
// first call of a run: projection 1's reference point moves by a rounding
// each time, so the kernels that keep fixed lines make them again.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "bench/bench_state.h"
#include "state/run_state.h"
#include "engine/kalo.h"
#include "engine/line_kernels.h"

namespace {

void reconstruct(benchmark::State& state, Kernel kernel, int rule_, int iterations,
                 bool new_geometry) {
  use_line_kernel(kernel);
  if (!prepare(int(state.range(0)))) {
    state.SkipWithError("could not prepare the state");
    return;
  }
  rule.RULE = rule_;
  trol.MITER = iterations;
  const stor_t start = stor;
  int ICON = 0;
  float QAVD = 0.0f;
  bool moved = false;
  for (auto _ : state) {
    stor.HFAC = start.HFAC;
    if (new_geometry)
      stor.SREF(1) = (moved = !moved) ? std::nextafter(start.SREF(1), 1e30f) : start.SREF(1);
    kalo(ICON, QAVD);
    benchmark::DoNotOptimize(tran.RHO);
  }
  state.counters["QAVD"] = QAVD;
}

void kalo_iteration(benchmark::State& state, Kernel kernel) {
  reconstruct(state, kernel, int(state.range(1)), 1, false);
}

void kalo_new_geometry(benchmark::State& state, Kernel kernel) {
  reconstruct(state, kernel, RULE_BAND, 4, true);
}

}  // namespace

int main(int argc, char** argv) {
  for (Kernel k : KERNELS)
    if (kernel_available(k))
      benchmark::RegisterBenchmark((std::string("kalo_iteration/") + kernel_name(k)).c_str(),
                                   kalo_iteration, k)
          ->ArgsProduct({{3, 20}, {RULE_BAND, RULE_MULT}})
          ->Unit(benchmark::kMillisecond);
  for (Kernel k : KERNELS)
    if (kernel_available(k))
      benchmark::RegisterBenchmark((std::string("kalo_new_geometry/") + kernel_name(k)).c_str(),
                                   kalo_new_geometry, k)
          ->Arg(3)
          ->Arg(20)
          ->Unit(benchmark::kMillisecond);
  return bench_main(argc, argv);
}
