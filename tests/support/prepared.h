// A run state prepared as the program prepares it before reconstructing.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "driver/data_file.h"
#include "driver/prep.h"
#include "driver/test_sources.h"
#include "state/run_state.h"
#include "tests/support/temp_dir.h"

namespace kalo_test {

// Test source `ntest` (1..6), or with 0 the file `example` of examples/
// copied to KALOIN.DAT and read, prepared with `answers` to the noise
// reduction and start-factor questions; what the terminal shows is dropped.
inline void prepare_source(int ntest, const std::string& answers,
                           const std::string& example = "KALOIN.DAT") {
  reset_run_state();
  if (ntest == 0) write_file("KALOIN.DAT", read_file(KALO_SOURCE_DIR "/examples/" + example));
  feed_stdin(answers);
  ::testing::internal::CaptureStdout();
  trol.NTEST = ntest;
  ntest == 0 ? readp() : setp();
  prep();
  ::testing::internal::GetCapturedStdout();
}

}  // namespace kalo_test
