// Runs the kalo program in a fresh temporary folder with given answers on
// standard input, and collects what it leaves behind.
#pragma once

#include <string>

namespace kalo_test {

// A folder under the system's temporary folder, removed with its contents
// when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

struct RunResult {
  int status = -1;      // exit status; -1 when killed or not run
  bool timed_out = false;
  std::string out;      // standard output
  std::string err;      // standard error
};

// Runs the program `binary` in `dir` with `input` as its whole standard
// input (closed after it).  A run longer than `timeout_s` seconds is killed.
RunResult run_program(const std::string& binary, const std::string& dir,
                      const std::string& input, int timeout_s = 60);

// Runs the kalo program under test (KALO_BIN is defined for each test
// program, not for this helper library, hence inline).
#ifdef KALO_BIN
inline RunResult run_kalo(const std::string& dir, const std::string& input,
                          int timeout_s = 60) {
  return run_program(KALO_BIN, dir, input, timeout_s);
}
#endif

// Whole contents of a file; empty when it cannot be read.
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
void write_file(const std::string& path, const std::string& contents);

}  // namespace kalo_test
