// A long session: pass after pass through the reconstruction loop (a new
// TWID every tenth pass), every frame and a menu on every visit to the
// result screens, a page now and then.  What the X server holds for the
// program (windows, pixmaps, graphics contexts, fonts, ...) and the
// program's open files must not grow from one visit to the next; built
// with the leak checker, a leak ends the program with a failing status.
// KALO_SESSION_PASSES sets the number of passes (20 by default).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/kalo_window.h"
#include "tests/support/run_kalo.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kalo_test;
namespace fs = std::filesystem;

// The kalo process running in `dir`, 0 when there is none.
pid_t kalo_in(const std::string& dir) {
  for (const auto& p : fs::directory_iterator("/proc")) {
    std::error_code e;
    if (fs::read_symlink(p.path() / "exe", e) == fs::path(KALO_BIN) &&
        fs::read_symlink(p.path() / "cwd", e) == fs::path(dir))
      return pid_t(std::atoi(p.path().filename().c_str()));
  }
  return 0;
}

int open_files(pid_t pid) {
  std::error_code e;
  const fs::directory_iterator fds("/proc/" + std::to_string(pid) + "/fd", e);
  return e ? 0 : int(std::distance(fds, fs::directory_iterator()));
}

TEST(Session, ManyPassesHoldNoMoreThanTheFirst) {
  const char* env = std::getenv("KALO_SESSION_PASSES");
  const int passes = env ? std::atoi(env) : 20;
  std::string input = "1\n\n\n2\n1\n";  // test source 1, one iteration per pass
  for (int p = 1; p <= passes; ++p) {
    input += "N\nY\n";
    input += p % 10 == 0 ? (p % 20 == 0 ? "1.0\n\n" : "0.8\n\n") : "\n";
  }
  input += "N\nN\n";

  PrintFolder dir;
  std::vector<std::string> held;
  std::vector<int> files;
  auto r = run_program(KALO_BIN, dir.path, input, 30 + 15 * passes,
                       with_window([&](KaloWindow& w) {
    const pid_t pid = kalo_in(dir.path);
    for (int visit = 0; visit <= passes; ++visit) {
      ASSERT_TRUE(visit == 0 || w.next_visit()) << visit;
      w.keys("1\n5\n2\ny\n3\n\n\n4\n5\n6\n7\n8\n");
      if (visit % 5 == 4) w.keys("p\n");
      w.click(1, 500, 600);
      ASSERT_TRUE(w.pick(1)) << visit;  // "0: Exit graphic mode"
      // The counts after the visit, once the program has closed what it
      // closes on leaving (a page file): what stays above the first
      // visit's counts for two seconds has grown.
      if (visit == 1) usleep(500000);
      std::string now;
      int n = 0;
      for (int waited = 0; waited < 2000; waited += 50, usleep(50000)) {
        now = w.resources();
        n = open_files(pid);
        if (visit <= 1 || (now == held[1] && n == files[1])) break;
      }
      held.push_back(now);
      files.push_back(n);
    }
  }));
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(held.size(), std::size_t(passes + 1));
  EXPECT_NE(held[0].find("WINDOW"), std::string::npos) << held[0];
  for (int v = 2; v < passes; ++v) {  // after the last visit the program ends
    EXPECT_EQ(held[std::size_t(v)], held[1]) << "visit " << v;
    EXPECT_EQ(files[std::size_t(v)], files[1]) << "visit " << v;
  }
  // A page on every fifth visit, printed at its end.
  EXPECT_EQ(dir.printed().size(), std::size_t((passes + 1) / 5) * 10);
}

}  // namespace
