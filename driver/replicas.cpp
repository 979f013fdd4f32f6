// Replicas of a measurement (see replicas.h).
#include "driver/replicas.h"

#include <cmath>
#include <cstdlib>

#include "state/run_state.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr long POISSON_MAX = 10000;

// The splitmix64 finaliser: spreads a seed over all 64 bits, so that
// neighbouring seeds and replica numbers start far-apart engine states.
std::uint64_t mix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

bool parse_noise(const std::string& text, NoiseModel& noise) {
  if (text == "poisson") {
    noise = NoiseModel{};
    return true;
  }
  const std::string prefix = "relative:";
  if (text.compare(0, prefix.size(), prefix) != 0 || text.size() == prefix.size()) return false;
  const char* begin = text.c_str() + prefix.size();
  char* end = nullptr;
  const double r = std::strtod(begin, &end);
  if (*end != '\0' || !std::isfinite(r) || r < 0.0) return false;
  noise.poisson = false;
  noise.relative = r;
  return true;
}

double uniform_of(std::uint64_t word) { return double(word >> 11) * 0x1.0p-53; }

double normal_of(double u1, double u2) {
  return std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(2.0 * PI * u2);
}

long poisson_by_inversion(double mean, double u) {
  double p = std::exp(-mean), cumulative = p;
  long k = 0;
  while (u >= cumulative && k < POISSON_MAX) {
    ++k;
    p *= mean / double(k);
    cumulative += p;
  }
  return k;
}

ReplicaDraws::ReplicaDraws(std::uint64_t seed, std::uint64_t replica)
    : engine_(mix(mix(seed) + replica)) {}

double ReplicaDraws::normal() {
  const double u1 = uniform();
  return normal_of(u1, uniform());
}

double ReplicaDraws::poisson(double mean) {
  if (!(mean > 0.0)) return 0.0;
  if (mean < POISSON_INVERSION_LIMIT) return double(poisson_by_inversion(mean, uniform()));
  const double k = std::floor(mean + std::sqrt(mean) * normal() + 0.5);
  return k > 0.0 ? k : 0.0;
}

void perturb_profile(float* samples, int n, const NoiseModel& noise, ReplicaDraws& draws) {
  for (int k = 0; k < n; ++k) {
    if (noise.poisson) {
      samples[k] = float(draws.poisson(double(samples[k])));
    } else {
      const double f = 1.0 + noise.relative * draws.normal();
      samples[k] = f > 0.0 ? float(double(samples[k]) * f) : 0.0f;
    }
  }
}

void perturb_measurement(const NoiseModel& noise, double matrix_error, ReplicaDraws& draws) {
  for (int l = 1; l <= expd.NL; ++l) perturb_profile(&expd.PR(1, l), expd.NK, noise, draws);
  if (matrix_error > 0.0)
    for (int l = 1; l <= expd.NL; ++l)
      for (int row = 1; row <= 2; ++row)
        for (int col = 1; col <= 2; ++col)
          stor.RMAT(row, col, l) =
              float(double(stor.RMAT(row, col, l)) * (1.0 + matrix_error * draws.normal()));
}
