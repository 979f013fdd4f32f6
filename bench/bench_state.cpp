#include "bench/bench_state.h"

#include <benchmark/benchmark.h>

#include <iostream>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "driver/data_file.h"
#include "driver/prep.h"
#include "state/run_state.h"
#include "driver/test_sources.h"
#include "records/text_records.h"

namespace fs = std::filesystem;

fs::path work_dir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("kalo_bench_" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

namespace {

// Answers to the two questions of the preparation: no noise reduction,
// internal start values.
void answer_prep() {
  const fs::path answers = work_dir() / "answers.txt";
  FILE* f = std::fopen(answers.c_str(), "w");
  std::fputs("N\n\n", f);
  std::fclose(f);
  if (!std::freopen(answers.c_str(), "r", stdin)) std::abort();
}

}  // namespace

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

int bench_main(int argc, char** argv, void (*finish)()) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  rec::open(7, (work_dir() / "KALOOUT.DAT").string(), rec::Status::UNKNOWN);
  if (!std::freopen("/dev/null", "w", stdout)) return 1;
  benchmark::ConsoleReporter reporter;
  reporter.SetOutputStream(&std::cerr);
  reporter.SetErrorStream(&std::cerr);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (finish) finish();
  rec::close(7);
  fs::remove_all(work_dir());
  return 0;
}
