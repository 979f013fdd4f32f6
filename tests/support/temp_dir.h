// Temporary folders and whole-file helpers shared by the tests.
#pragma once

#include <string>
#include <sys/types.h>

namespace kalo_test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes (only by the process that made it, so a
// forked child or a death test leaves it to its parent).
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return path + "/" + name; }
  std::string path;
  pid_t owner;
};

// Makes a fresh temporary folder the current folder for the rest of the
// test program (the same one on every call); removed when the program ends.
const TempDir& enter_temp_dir();

// Whole contents of a file; empty when it cannot be read.
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& contents);
// How often `what` occurs in `text`.
int count(const std::string& text, const std::string& what);

// Makes `text` the whole of standard input, through a file in the current
// folder (call again before every child that reads it).
void feed_stdin(const std::string& text);

}  // namespace kalo_test
