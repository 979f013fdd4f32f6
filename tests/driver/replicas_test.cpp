// Replicas: the draws' transformations on known values, the spread the
// noise models give, and the replica options (refused values, --replicas 0
// changing nothing).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>

#include "driver/replicas.h"
#include "tests/support/run_kalo.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Replicas, TransformationsOnKnownDraws) {
  EXPECT_EQ(uniform_of(0), 0.0);
  EXPECT_EQ(uniform_of(~0ull), 1.0 - 0x1.0p-53);
  EXPECT_EQ(uniform_of(3ull << 62), 0.75);
  EXPECT_NEAR(normal_of(1.0 - std::exp(-0.5), 0.0), 1.0, 1e-15);  // sqrt(-2 ln e^-1/2) = 1
  EXPECT_NEAR(normal_of(0.5, 0.5), -std::sqrt(2.0 * std::log(2.0)), 1e-15);
  // Mean 2: cumulative 0.1353, 0.4060, 0.6767, 0.8571.
  const double u[] = {0.0, 0.1353, 0.1354, 0.5, 0.6768, 0.99999999};
  const long k[] = {0, 0, 1, 2, 3, 14};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(poisson_by_inversion(2.0, u[i]), k[i]) << u[i];
  // The engine's draws depend on the seed and replica number alone.
  ReplicaDraws a(1, 7), b(1, 7), c(2, 7), d(1, 8);
  const double first = a.uniform();
  EXPECT_EQ(first, b.uniform());
  EXPECT_NE(first, c.uniform());
  EXPECT_NE(first, d.uniform());
}

TEST(Replicas, SpreadOfProfileSums) {
  // A wide Gaussian profile: Poisson counts give sd sqrt(N) of the sum (on
  // both sides of the inversion limit); relative noise R gives R |p|.
  for (double peak : {20.0, 2000.0}) {
    float profile[51];
    double n = 0.0, squares = 0.0;
    for (int k = 0; k < 51; ++k) {
      profile[k] = float(peak * std::exp(-0.5 * (k - 25) * (k - 25) / 100.0));
      n += profile[k];
      squares += double(profile[k]) * profile[k];
    }
    NoiseModel relative;
    ASSERT_TRUE(parse_noise("relative:0.05", relative));
    for (const auto& [model, expected] :
         {std::pair{NoiseModel{}, std::sqrt(n)}, std::pair{relative, 0.05 * std::sqrt(squares)}}) {
      double sum = 0.0, sum2 = 0.0;
      const int replicas = 1000;
      for (int r = 0; r < replicas; ++r) {
        ReplicaDraws draws(5, std::uint64_t(r));
        float p[51];
        std::copy(profile, profile + 51, p);
        perturb_profile(p, 51, model, draws);
        double s = 0.0;
        for (float v : p) s += v;
        sum += s;
        sum2 += s * s;
      }
      const double mean = sum / replicas, sd = std::sqrt(sum2 / replicas - mean * mean);
      EXPECT_NEAR(mean, n, 0.1 * expected) << peak;
      EXPECT_NEAR(sd, expected, 0.1 * expected) << peak << " poisson " << model.poisson;
    }
  }
}

// Runs `kalo <args>` in `dir`: exit status and standard error.
std::pair<int, std::string> batch(const std::string& dir, const std::string& args) {
  const std::string cmd =
      "cd '" + dir + "' && '" KALO_BIN "' " + args + " >/dev/null 2>'" + dir + "/err'";
  const int w = std::system(cmd.c_str());
  return {WIFEXITED(w) ? WEXITSTATUS(w) : -1, kalo_test::read_file(dir + "/err")};
}

TEST(Replicas, BadValuesAreRefusedAndNoReplicasChangeNothing) {
  for (const char* bad : {"--replicas -1", "--replicas x", "--noise relative:-0.1",
                          "--noise gauss", "--noise relative:", "--matrix-error nan",
                          "--matrix-error -1", "--seed -2"}) {
    kalo_test::TempDir dir;
    const auto [status, err] = batch(dir.path, std::string("--test 1 --pages none ") + bad);
    const std::string option = std::string(bad).substr(0, std::string(bad).find(' '));
    EXPECT_EQ(status, 2) << bad;
    EXPECT_NE(err.find(option), std::string::npos) << bad << ": " << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << bad << ": " << err;
  }
  kalo_test::TempDir dir;
  ASSERT_EQ(batch(dir.path, "--test 2 --pages none --out a").first, 0);
  ASSERT_EQ(batch(dir.path, "--test 2 --pages none --out b --replicas 0 --seed 9 "
                            "--noise relative:0.2 --matrix-error 0.1")
                .first,
            0);
  const std::regex time("\"time\": \"[^\"]*\"|Time = +[0-9.*]+");
  for (const char* file : {"KALOOUT.DAT", "HFAC.DAT", "results.json"})
    EXPECT_EQ(std::regex_replace(kalo_test::read_file(dir.file("a/") + file), time, ""),
              std::regex_replace(kalo_test::read_file(dir.file("b/") + file), time, ""))
        << file;
}

}  // namespace
