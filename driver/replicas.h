// Replicas of a measurement: the measured profiles and transfer matrices
// perturbed by reproducible random draws, so that the spread of the
// quantities over many reconstructions gives their uncertainties.
//
// The draws are the same on every compiler and C++ library: the engine is
// std::mt19937_64, whose output the language fixes to the bit, and every
// transformation of its output is written out here (the std:: distributions
// leave their algorithms to the library).
#pragma once

#include <cstdint>
#include <random>
#include <string>

// How a measured profile is perturbed.
struct NoiseModel {
  // Poisson: each sample drawn from a Poisson distribution whose mean is
  // the measured sample.  Otherwise relative: each sample times a normal
  // draw of mean 1 and standard deviation `relative`, clipped at 0.
  bool poisson = true;
  double relative = 0.0;
};

// Reads "poisson" or "relative:R" (R finite, >= 0).  False when it is
// neither.
bool parse_noise(const std::string& text, NoiseModel& noise);

// The uniform number in [0, 1) of the top 53 bits of an engine word:
// (word >> 11) * 2^-53.
double uniform_of(std::uint64_t word);

// A standard normal number from two uniform numbers in [0, 1) by the
// Box-Muller transformation: sqrt(-2 ln(1 - u1)) cos(2 pi u2).
double normal_of(double u1, double u2);

// The Poisson number of mean `mean` (0 < mean < POISSON_INVERSION_LIMIT)
// that inversion gives for the uniform number u: the least k whose
// cumulative probability exceeds u (at most 10000).
constexpr double POISSON_INVERSION_LIMIT = 30.0;
long poisson_by_inversion(double mean, double u);

// The draws of one replica.  Its engine is seeded from the run's seed and
// the replica's number alone, so a replica draws the same whatever order or
// process it runs in.
class ReplicaDraws {
 public:
  ReplicaDraws(std::uint64_t seed, std::uint64_t replica);
  double uniform() { return uniform_of(engine_()); }
  // One Box-Muller draw from two fresh uniform numbers.
  double normal();
  // A Poisson number: 0 for a mean that is not above 0; by inversion below
  // POISSON_INVERSION_LIMIT; above it the normal approximation,
  // floor(mean + sqrt(mean) z + 1/2) clipped at 0.
  double poisson(double mean);

 private:
  std::mt19937_64 engine_;
};

// Perturbs the measured data in the run state (profiles by `noise`, then,
// when matrix_error > 0, each transfer-matrix element by a normal factor
// of mean 1 and standard deviation matrix_error), sample by sample in the
// order the data file lists them.
void perturb_measurement(const NoiseModel& noise, double matrix_error, ReplicaDraws& draws);

// Perturbs n samples of one profile by the noise model.
void perturb_profile(float* samples, int n, const NoiseModel& noise, ReplicaDraws& draws);
