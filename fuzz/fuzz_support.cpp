#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "state/run_state.h"
#include "records/text_records.h"

namespace kalo_fuzz {

namespace {
[[noreturn]] void throw_stop(int status) { throw Stopped{status}; }
}  // namespace

void init() {
  static bool done = false;
  if (done) return;
  done = true;
  char dir[] = "/tmp/kalo-fuzz-XXXXXX";
  if (mkdtemp(dir) == nullptr || chdir(dir) != 0) std::abort();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  rec::set_stop_hook(throw_stop);
}

void write_input(const char* name, const std::uint8_t* data, std::size_t size) {
  FILE* f = std::fopen(name, "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

void set_answers(const std::string& answers) {
  write_input("answers", reinterpret_cast<const std::uint8_t*>(answers.data()), answers.size());
  if (std::freopen("answers", "r", stdin) == nullptr) std::abort();
}

void reset() {
  rec::close_all();
  reset_run_state();
}

}  // namespace kalo_fuzz
