// The shipped example measurements: make-examples regenerates them byte for
// byte, and KALO's reader takes them in with every window holding the beam.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "driver/data_file.h"
#include "driver/run_state.h"

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
  std::stringstream ss;
  ss << std::ifstream(p, std::ios::binary).rdbuf();
  return ss.str();
}

TEST(Examples, RegeneratedAndRead) {
  const fs::path source = fs::path(KALO_SOURCE_DIR) / "examples", home = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("kalo-examples-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path tool = fs::path(KALO_BIN).parent_path() / "make-examples";
  ASSERT_EQ(std::system((tool.string() + " " + dir.string()).c_str()), 0) << tool;
  // Every profile projects the same beam: with the whole beam inside the
  // windows, each profile's counts add up to the same total.
  for (auto [name, nl, counts] : {std::tuple{"KALOIN.DAT", 8, 20000.0f}, {"KALOIN20.DAT", 20, 50000.0f}}) {
    EXPECT_EQ(slurp(dir / name), slurp(source / name)) << name;
    fs::copy_file(source / name, dir / "KALOIN.DAT", fs::copy_options::overwrite_existing);
    fs::current_path(dir);
    reset_run_state();
    readp();
    fs::current_path(home);
    ASSERT_EQ(expd.NL, nl) << name;
    for (int l = 1; l <= nl; ++l) {
      float sum = 0.0f;
      for (int k = 1; k <= expd.NK; ++k) sum += expd.PR(k, l);
      EXPECT_NEAR(sum, counts, 5.0f) << name << " profile " << l;
      EXPECT_EQ(expd.PR(1, l) + expd.PR(expd.NK, l), 0.0f) << name << " profile " << l;
    }
  }
  fs::remove_all(dir);
}

}  // namespace
