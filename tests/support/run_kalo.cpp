#include "tests/support/run_kalo.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kalo_test {

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "kalo-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

RunResult run_program(const std::string& binary, const std::string& dir,
                      const std::string& input, int timeout_s) {
  // The streams go through files kept apart from the run's folder, so the
  // program sees only its own files there.
  TempDir io;
  write_file(io.file("in"), input);
  std::string cmd = "cd '" + dir + "' && timeout -s KILL " + std::to_string(timeout_s) +
                    " '" + binary + "' <'" + io.file("in") + "' >'" + io.file("out") +
                    "' 2>'" + io.file("err") + "'";
  int w = std::system(cmd.c_str());
  RunResult r;
  r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
  r.out = read_file(io.file("out"));
  r.err = read_file(io.file("err"));
  return r;
}

}  // namespace kalo_test
