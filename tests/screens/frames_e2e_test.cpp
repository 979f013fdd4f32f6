// Every frame of real runs, as the window shows it: test sources 1, 3 and
// 5 and the 20-profile example, each frame checked for the colours of what
// it must show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/kalo_window.h"
#include "tests/support/run_kalo.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kalo_test;

constexpr std::uint32_t COLOUR[9] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF7F, 0x0000FF,
                                     0x00FFFF, 0xBC8F8F, 0xFFFF00, 0x030303};

struct Step {
  const char* name;
  std::string keys;         // answers that draw the frame
  std::vector<int> colours;  // colour indices it must show (below the prompt line)
};
// Frames 1 and 2 are cancelled after their first projection ("5", "y").
const std::vector<Step> STEPS = {
    {"1-profile", "1\n", {3, 5, 1}},       {"2-hfactors", "5\n2\n", {3, 1}},
    {"3-prompt", "y\n3\n", {}},            {"3-contour", "\n", {3, 5, 2}},
    {"3-emittance", "\n", {3, 2}},         {"4-surface", "4\n", {5, 3}},
    {"5-surface-turned", "5\n", {5, 3}},   {"6-x-projection", "6\n", {1, 3}},
    {"7-t-projection", "7\n", {1, 3}},     {"8-overview", "8\n", {3, 5, 1, 2}},
};

void frames_of(const std::string& run, const std::string& input, const std::string& data = "") {
  SCOPED_TRACE(run);
  TempDir dir;
  if (!data.empty()) write_file(dir.file("KALOIN.DAT"), read_file(data));
  auto r = run_kalo(dir.path, input, with_window([&](KaloWindow& w) {
    XShot shot = w.settled();
    for (const Step& s : STEPS) {
      w.keys(s.keys);
      shot = w.settled(&shot);
      for (int c : s.colours) {
        int n = 0;
        for (int y = 45; y < shot.h; ++y)
          for (int x = 0; x < shot.w; ++x) n += shot.at(x, y) == COLOUR[c];
        EXPECT_GT(n, 100) << s.name << ": colour " << c;
      }
    }
    w.keys("\n");
  }));
  EXPECT_EQ(r.status, 0);
}

TEST(Frames, TestSources) {
  for (const char* n : {"1", "3", "5"})
    frames_of(std::string("source") + n, std::string(n) + "\n\n\n2\n\nN\nN\n");
}

TEST(Frames, TwentyProfiles) {
  frames_of("example20", "\n\n\n2\n\nN\nN\n", std::string(KALO_SOURCE_DIR) + "/examples/KALOIN20.DAT");
}

}  // namespace
