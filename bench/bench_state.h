// Run states the benchmarks start from.
#pragma once

#include <filesystem>

// A temporary folder of this benchmark process (made on first use).
std::filesystem::path work_dir();
// Fills the run state for the given number of profiles, prepared without
// noise reduction and with start factors 1: 3 = test source 1, 20 = the
// 20-profile example.  MITER is set to 1.  False when that failed.
bool prepare(int profiles);
