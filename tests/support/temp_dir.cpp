#include "tests/support/temp_dir.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kalo_test {

TempDir::TempDir() : owner(getpid()) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "kalo-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

TempDir::~TempDir() {
  if (getpid() != owner) return;
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

const TempDir& enter_temp_dir() {
  static const TempDir dir;
  static const bool entered = (std::filesystem::current_path(dir.path), true);
  (void)entered;
  return dir;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

void write_file(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

void feed_stdin(const std::string& text) {
  write_file("stdin.txt", text);
  if (std::freopen("stdin.txt", "r", stdin) == nullptr)
    throw std::runtime_error("cannot make stdin.txt the standard input");
}

}  // namespace kalo_test
