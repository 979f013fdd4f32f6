// Replicas: the draws' transformations on known values, the spread the
// noise models give, refused option values, and the replicas' files (the
// same for the same seed, unchanged by --replicas 0, failures counted).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <nlohmann/json.hpp>
#include <numeric>
#include <regex>
#include <string>

#include "driver/replicas.h"
#include "driver/results.h"
#include "tests/support/run_kalo.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Replicas, TransformationsOnKnownDraws) {
  EXPECT_EQ(uniform_of(~0ull), 1.0 - 0x1.0p-53);
  EXPECT_NEAR(normal_of(1.0 - std::exp(-0.5), 0.0), 1.0, 1e-15);  // sqrt(-2 ln e^-1/2) = 1
  EXPECT_NEAR(normal_of(0.5, 0.5), -std::sqrt(2.0 * std::log(2.0)), 1e-15);
  // Mean 2: cumulative 0.1353, 0.4060, 0.6767, 0.8571.
  const double u[] = {0.0, 0.1353, 0.1354, 0.5, 0.6768, 0.99999999};
  const long k[] = {0, 0, 1, 2, 3, 14};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(poisson_by_inversion(2.0, u[i]), k[i]) << u[i];
  // The engine's draws depend on the seed and replica number alone.
  ReplicaDraws a(1, 7), b(1, 7), c(2, 7), d(1, 8);
  const double first = a.uniform();
  EXPECT_TRUE(first == b.uniform() && first != c.uniform() && first != d.uniform());
  // The spread of a quantity: a replica without it (NaN) is left out.
  const Spread s = spread_of({4.0, 1.0, std::nan(""), 2.0, 3.0});
  EXPECT_EQ(s.n, 4);
  EXPECT_NEAR(s.mean + 10 * s.sd + 100 * s.p16 + 1000 * s.p84,
              2.5 + 10 * std::sqrt(5.0 / 3) + 148 + 3520, 1e-9);
}

TEST(Replicas, SpreadOfProfileSums) {
  // A wide Gaussian of N counts: Poisson noise gives sd sqrt(N) of the sum
  // (below and above the inversion limit); relative noise R gives R |p|.
  for (double peak : {20.0, 2000.0}) {
    std::array<float, 51> profile;
    double n = 0.0, squares = 0.0;
    for (int k = 0; k < 51; ++k) {
      profile[k] = float(peak * std::exp(-0.5 * (k - 25) * (k - 25) / 100.0));
      n += profile[k];
      squares += double(profile[k]) * profile[k];
    }
    const NoiseModel relative{false, 0.05};
    for (const auto& [model, sd] : {std::pair{NoiseModel{}, std::sqrt(n)},
                                    std::pair{relative, 0.05 * std::sqrt(squares)}}) {
      std::vector<double> sums;
      for (int r = 0; r < 1000; ++r) {
        ReplicaDraws draws(5, std::uint64_t(r));
        auto p = profile;
        perturb_profile(p.data(), 51, model, draws);
        sums.push_back(std::accumulate(p.begin(), p.end(), 0.0));
      }
      const Spread s = spread_of(sums);
      EXPECT_NEAR(s.mean, n, 0.1 * sd) << peak;
      EXPECT_NEAR(s.sd, sd, 0.1 * sd) << peak << " poisson " << model.poisson;
    }
  }
}

TEST(Replicas, RefusedValuesSeedsAndNoReplicas) {
  kalo_test::TempDir dir;
  for (std::string bad : {"--replicas -1", "--noise relative:-0.1", "--noise relative:",
                          "--matrix-error nan", "--seed -2"}) {
    const auto [status, out, err] = kalo_test::run_batch(dir.path, "--test 1 --out x " + bad);
    EXPECT_TRUE(status == 2 && err.find("kalo: " + bad.substr(0, bad.find(' '))) == 0 &&
                err.find('\n') == err.size() - 1) << bad << ": " << err;
  }
  // Poisson noise on a test source's profiles (not counts) leaves no beam.
  const std::string r5 = "--replicas 5 --noise relative:0.05 --seed ";
  const std::string runs[] = {"", "--replicas 0 --seed 9 --noise relative:0.2 --matrix-error 0.1",
                              r5 + "4", r5 + "4", r5 + "5", "--replicas 6"};
  std::string files[6][3];
  const std::regex time("\"(time|seed)\": [^,]*|Time = +[0-9.*]+|20[0-9-]{8}T[0-9:]{8}Z");
  for (int i = 0; i < 6; ++i) {
    const std::string out = "o" + std::to_string(i) + "/";
    ASSERT_EQ(kalo_test::run_batch(dir.path, "--test 2 --pages none --out " + out + " " + runs[i])
                  .status, 0);
    for (int k = 0; const char* file : {"KALOOUT.DAT", "results.json", "results.h5"})
      files[i][k++] = std::regex_replace(kalo_test::read_file(dir.file(out + file)), time, "");
  }
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(files[0][k], files[1][k]) << k;  // --replicas 0 changes nothing
    EXPECT_EQ(files[2][k], files[3][k]) << k;  // the same seed, the same values
  }
  EXPECT_NE(files[2][1], files[4][1]);
  // Replicas that fail or lack a quantity are counted, not dropped.
  const auto u = nlohmann::json::parse(kalo_test::read_file(dir.file("o5/results.json")));
  const auto& c = u["uncertainty"];
  EXPECT_GT(c["without_quantities"].get<int>(), 0) << c;
  EXPECT_EQ(c["refused"].get<int>() + c["without_quantities"].get<int>() +
                c["quantities"]["alpha"]["n"].get<int>(), 6) << c;
}

}  // namespace
