// Time of one iteration of the maximum-entropy reconstruction.
//
// kalo_iteration/3: test source 1 (three projections of the off-centre
// disc); kalo_iteration/20: the 20-profile example examples/KALOIN20.DAT.
// Each state is prepared once (no noise reduction, start factors 1); every
// benchmark iteration puts the start factors back and runs one kalo
// iteration, density included.  The iteration lines go to a log file in a
// temporary folder and to standard output, which is sent to /dev/null; the
// results are reported on standard error.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>

#include "driver/data_file.h"
#include "driver/prep.h"
#include "driver/run_state.h"
#include "driver/test_sources.h"
#include "driver/text_records.h"
#include "engine/kalo.h"

namespace {

namespace fs = std::filesystem;

struct Prepared {
  stor_t stor;  // geometry and start factors after preparation
  bool ok = false;
};

fs::path work_dir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("kalo_bench_" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

// Answers to the two questions of the preparation: no noise reduction,
// internal start values.
void answer_prep() {
  const fs::path answers = work_dir() / "answers.txt";
  FILE* f = std::fopen(answers.c_str(), "w");
  std::fputs("N\n\n", f);
  std::fclose(f);
  if (!std::freopen(answers.c_str(), "r", stdin)) std::abort();
}

// Fills the run state for the given number of profiles: 3 = test source 1,
// 20 = the 20-profile example.
bool prepare(int profiles) {
  reset_run_state();
  answer_prep();
  if (profiles == 3) {
    trol.NTEST = 1;
    setp();
  } else {
    const fs::path example = fs::path(KALO_SOURCE_DIR) / "examples" / "KALOIN20.DAT";
    if (!fs::exists(example)) return false;
    fs::copy_file(example, work_dir() / "KALOIN.DAT", fs::copy_options::overwrite_existing);
    const fs::path here = fs::current_path();
    fs::current_path(work_dir());
    readp();
    fs::current_path(here);
  }
  prep();
  trol.MITER = 1;
  return expd.NL == profiles;
}

void kalo_iteration(benchmark::State& state) {
  const int profiles = int(state.range(0));
  if (!prepare(profiles)) {
    state.SkipWithError("could not prepare the state");
    return;
  }
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

BENCHMARK(kalo_iteration)->Arg(3)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  rec::open(7, (work_dir() / "KALOOUT.DAT").string(), rec::Status::UNKNOWN);
  if (!std::freopen("/dev/null", "w", stdout)) return 1;
  benchmark::ConsoleReporter reporter;
  reporter.SetOutputStream(&std::cerr);
  reporter.SetErrorStream(&std::cerr);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  rec::close(7);
  fs::remove_all(work_dir());
  return 0;
}
