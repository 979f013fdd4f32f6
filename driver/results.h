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

// Writes results.json and results.h5 into the working folder.  False with a
// one-line reason naming the file in `why` when one cannot be written; no
// file is then left under either name.
bool write_results(const RunRecord& run, const RunQuantities& q, std::string& why);

// The hex SHA-256 of a file; empty when it cannot be read.
std::string file_sha256(const std::string& path);
