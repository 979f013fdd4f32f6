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
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_state.h"
#include "state/run_state.h"
#include "engine/kalo.h"
#include "engine/line_kernels.h"

namespace {

void kalo_iteration(benchmark::State& state, Kernel kernel) {
  use_line_kernel(kernel);
  const int profiles = int(state.range(0));
  if (!prepare(profiles)) {
    state.SkipWithError("could not prepare the state");
    return;
  }
  rule.RULE = int(state.range(1));
  const stor_t start = stor;
  int ICON = 0;
  float QAVD = 0.0f;
  for (auto _ : state) {
    stor.HFAC = start.HFAC;
    kalo(ICON, QAVD);
    benchmark::DoNotOptimize(tran.RHO);
  }
  state.counters["QAVD"] = QAVD;
}

}  // namespace

int main(int argc, char** argv) {
  for (Kernel k : KERNELS)
    if (kernel_available(k))
      benchmark::RegisterBenchmark((std::string("kalo_iteration/") + kernel_name(k)).c_str(),
                                   kalo_iteration, k)
          ->ArgsProduct({{3, 20}, {RULE_BAND, RULE_MULT}})
          ->Unit(benchmark::kMillisecond);
  return bench_main(argc, argv);
}
