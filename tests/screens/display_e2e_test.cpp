// Displays that are missing or go away: the run goes on without graphics,
// the pages requested before are printed, and the log and the stored
// H-factors are complete.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/kalo_window.h"
#include "tests/support/run_kalo.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kalo_test;
namespace fs = std::filesystem;

// Test source 1, printer 2; store, continue with the same window, store
// again and stop: two visits to the result screens.
const std::string INPUT = "1\n\n\n2\n\nY\nY\n\nY\nN\n";
const std::string SKIPPED = " The result screens are skipped; the run goes on.\n";

// The log holds both reconstruction calls and the stored file all factors.
void complete(const TempDir& dir) {
  EXPECT_EQ(count(read_file(dir.file("KALOOUT.DAT")), " ICON  = "), 2);
  EXPECT_EQ(count(read_file(dir.file("HFAC.DAT")), "E"), 3 * 51);
  EXPECT_FALSE(fs::exists(dir.file("HFAC.DAT.tmp")));
}

// DISPLAY set for the program (and this test's own connections) meanwhile.
struct DisplayName {
  std::string old;
  explicit DisplayName(const std::string& name) : old(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "") {
    setenv("DISPLAY", name.c_str(), 1);
  }
  ~DisplayName() { setenv("DISPLAY", old.c_str(), 1); }
};

TEST(Display, MissingAtEveryVisit) {
  TempDir dir;
  DisplayName none(":4711");
  auto r = run_kalo(dir.path, INPUT);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count(r.out, "Display not opened!\n" + SKIPPED), 2) << r.out;
  complete(dir);
}

TEST(Display, ServerKilledWhileTheScreensAreShown) {
  // A server of this test's own, which it can kill.
  int n = 150;
  while (fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) ++n;
  const std::string name = ":" + std::to_string(n);
  pid_t server = fork();
  if (server == 0) {
    execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  DisplayName display(name);
  for (int i = 0; i < 50 && !fs::exists("/tmp/.X11-unix/X" + std::to_string(n)); ++i) usleep(100000);

  PrintFolder dir;
  auto r = run_kalo(dir.path, INPUT, with_window([&](KaloWindow& w) {
    XShot before = w.settled();
    w.keys("3\n\np\n");  // the contour plot and its page
    w.settled(&before);
    w.forget();
    kill(server, SIGKILL);
    waitpid(server, nullptr, 0);
    server = -1;
  }));
  if (server > 0) kill(server, SIGKILL), waitpid(server, nullptr, 0);
  // A killed server leaves its lock and its socket behind.
  std::error_code gone;
  fs::remove("/tmp/.X" + std::to_string(n) + "-lock", gone);
  fs::remove("/tmp/.X11-unix/X" + std::to_string(n), gone);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(count(r.out, "Display lost: the connection to the X server broke.\n"), 1) << r.out;
  EXPECT_EQ(count(r.out, "Display not opened!\n" + SKIPPED), 1) << r.out;
  EXPECT_EQ(dir.printed(), "2 KALO.PS\n");
  EXPECT_NE(read_file(dir.file("KALO.PS")).find(" st showpage\n"), std::string::npos);
  complete(dir);
}

}  // namespace
