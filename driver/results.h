// The results files of a batch run: results.h5 (HDF5, every array with its
// units) and results.json (settings, provenance, iteration history and the
// beam's quantities), both describing the run state as the last
// reconstruction call left it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/quantities.h"

// The program's version, as the results files record it.
constexpr const char* KALO_VERSION = "1.0";

// One "ITER=" line of the run: the reconstruction call (1 = the first) and
// the values the line shows.
struct IterationRow {
  int call, iter;
  float qavd;
  int ninf, nind, nzer, nout, n;
};

// The replicas of a run: perturbed copies of its measurement, reconstructed
// alike, whose spread gives each quantity's uncertainty.
struct ReplicaSet {
  int count = 0;               // replicas run
  int refused = 0;             // their perturbed data were refused, or the run failed
  int without_quantities = 0;  // reconstructed, but a quantity of the main run missing
  nlohmann::ordered_json settings;          // seed, noise model, matrix error
  std::vector<std::string> names;           // the main run's quantities
  std::vector<std::vector<double>> values;  // values[quantity][replica], NaN where none
};

// The spread of the finite values among `values`: their number, mean,
// standard deviation (divisor n - 1; 0 for fewer than two) and the 16th and
// 84th percentiles.  The p-th percentile of the sorted values v_0..v_(n-1)
// interpolates linearly at rank h = (n - 1) p / 100: v_i + (h - i)(v_(i+1) - v_i)
// with i = floor(h).  All NaN when there is no finite value.
struct Spread {
  int n;
  double mean, sd, p16, p84;
};
Spread spread_of(const std::vector<double>& values);

// What the results tell besides the run state.
struct RunRecord {
  std::string data_file;    // the data file's path, or "test source N"
  std::string sha256;       // of the data file; empty for a test source
  std::string time;         // when the run started, ISO 8601 UTC
  nlohmann::ordered_json settings;  // every setting, by option name
  std::vector<IterationRow> iterations;
  bool converged = false;   // the last call ended with QAVD <= PREC
  bool has_beta_gamma = false;
  double beta_gamma = 0.0;
  const ReplicaSet* replicas = nullptr;  // none when no replica was asked for
};

// The beam's quantities and the contour plot's emittance table (record ps)
// of the density in the run state.
struct RunQuantities {
  BeamQuantities beam;
  double emittance_normalised_rms_mm_mrad;  // with beta-gamma only
  int n_contour;                            // entries of the emittance table
  double contour_emittance_mm_mrad[50];
  double contour_outside_percent[50];
  double emittance_86_contour_mm_mrad;
};
RunQuantities run_quantities(const RunRecord& run);

// The quantities the results files hold by name, in their order; only those
// that could be computed.
std::vector<std::pair<std::string, double>> named_values(const RunRecord& run,
                                                         const RunQuantities& q);

// Writes results.json and results.h5 into the working folder.  False with a
// one-line reason naming the file in `why` when one cannot be written; no
// file is then left under either name.
bool write_results(const RunRecord& run, const RunQuantities& q, std::string& why);

// Writes `text` to `file` under a temporary name (file + ".tmp") and renames
// it over `file`, so a file already there is replaced whole or not at all.
// False with "file: reason" in `why`, the temporary file removed.
bool replace_text_file(const std::string& file, const std::string& text, std::string& why);

// The hex SHA-256 of a file; empty when it cannot be read.
std::string file_sha256(const std::string& path);
