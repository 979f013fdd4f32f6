// The iteration rule of batch runs: --update band is the default, byte for
// byte; --update mult is recorded in the results files and the summary.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "tests/support/temp_dir.h"

TEST(BatchUpdate, BandIsTheDefaultAndMultIsRecorded) {
  const kalo_test::TempDir dir;
  ASSERT_EQ(std::system(("cd " + dir.path + " && for u in default band mult; do " KALO_BIN
                         " --quiet --pages none --out $u $(test $u = default || echo --update $u)"
                         " --data " KALO_SOURCE_DIR "/examples/KALOIN.DAT --data " KALO_SOURCE_DIR
                         "/examples/KALOIN20.DAT || exit 1; done").c_str()), 0);
  auto file = [&](const std::string& name) { return kalo_test::read_file(dir.file(name)); };
  EXPECT_EQ(file("band/KALOIN20.DAT/HFAC.DAT"), file("default/KALOIN20.DAT/HFAC.DAT"));
  EXPECT_EQ(nlohmann::json::parse(file("mult/KALOIN20.DAT/results.json"))["rule"],
            nlohmann::json::parse(R"({"name":"mult","omega_start":0.5,"omega_final":0.03125})"));
  EXPECT_NE(file("mult/summary.csv").find(",mult,\n"), std::string::npos);
}
