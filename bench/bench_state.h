// Run states the benchmarks start from.
#pragma once

#include <filesystem>

// A temporary folder of this benchmark process (made on first use).
std::filesystem::path work_dir();
// Fills the run state for the given number of profiles, prepared without
// noise reduction and with start factors 1: 3 = test source 1, 20 = the
// 20-profile example.  MITER is set to 1.  False when that failed.
bool prepare(int profiles);

// The benchmark program's main: the reconstruction's log lines go to a log
// file in the work folder and to nowhere on the terminal, the results to
// standard error; `finish` (when given) runs after the benchmarks, before
// the work folder is removed.
int bench_main(int argc, char** argv, void (*finish)() = nullptr);
