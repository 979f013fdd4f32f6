// Runs the kalo program in a folder with given answers on standard input and
// collects what it leaves behind.
#pragma once

#include <functional>
#include <string>

#include "tests/support/temp_dir.h"

namespace kalo_test {

// Answers every question of the program's graphics window with Return.
void answer_window_returns(const std::function<bool()>& alive);

// A fresh folder whose print command logs its arguments, a line per job,
// into the file "printed".
struct PrintFolder : TempDir {
  PrintFolder();
  std::string printed() const { return read_file(file("printed")); }
};

struct RunResult {
  int status = -1;  // exit status (137: killed after the time limit)
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs `binary` in `dir` with `input` as its whole standard input; a run
// longer than `timeout_s` seconds is killed.  While it runs, `during` is
// called (when given) with a function that tells whether it still runs.
// With `as_user`, a run by root drops to an ordinary user (nobody), so that
// file permissions hold for the program as they do for any user (`dir` must
// then be open to that user); such a run has no display.
using During = std::function<void(const std::function<bool()>& alive)>;
RunResult run_program(const std::string& binary, const std::string& dir,
                      const std::string& input, int timeout_s = 60, const During& during = {},
                      bool as_user = false);

// Runs the shell command `command`, collecting its exit status and output.
RunResult run_shell(const std::string& command);

// The kalo program under test (KALO_BIN is defined for each test program,
// not for this helper library, hence inline).
// The result screens are answered with Return at every question unless
// `during` drives the window otherwise.
#ifdef KALO_BIN
inline RunResult run_kalo(const std::string& dir, const std::string& input,
                          const During& during = answer_window_returns) {
  return run_program(KALO_BIN, dir, input, 60, during);
}
// Runs `kalo <args>` in `dir` with no answers (a batch run).
inline RunResult run_batch(const std::string& dir, const std::string& args) {
  return run_shell("cd '" + dir + "' && '" KALO_BIN "' " + args);
}
// The same as an ordinary user when `as_user` is set.
inline RunResult run_kalo(const std::string& dir, const std::string& input, bool as_user) {
  return run_program(KALO_BIN, dir, input, 60, answer_window_returns, as_user);
}
#endif

}  // namespace kalo_test
