// Runs the kalo program in a folder with given answers on standard input and
// collects what it leaves behind.
#pragma once

#include <string>

#include "tests/support/temp_dir.h"

namespace kalo_test {

struct RunResult {
  int status = -1;  // exit status (137: killed after the time limit)
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs `binary` in `dir` with `input` as its whole standard input; a run
// longer than `timeout_s` seconds is killed.  With `as_user`, a run by root
// drops to an ordinary user (nobody), so that file permissions hold for the
// program as they do for any user (`dir` must then be open to that user).
RunResult run_program(const std::string& binary, const std::string& dir,
                      const std::string& input, int timeout_s = 60, bool as_user = false);

// The kalo program under test (KALO_BIN is defined for each test program,
// not for this helper library, hence inline).
#ifdef KALO_BIN
inline RunResult run_kalo(const std::string& dir, const std::string& input,
                          bool as_user = false) {
  return run_program(KALO_BIN, dir, input, 60, as_user);
}
#endif

}  // namespace kalo_test
