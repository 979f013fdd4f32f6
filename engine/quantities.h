// The beam's quantities from a density on a grid: centroid, beam matrix,
// rms emittance, Twiss parameters and the emittances of the densest areas
// holding given fractions of the beam.  Computed in double precision with
// the cell values as weights; no heap.
#pragma once

// The fractions of the beam whose emittance is reported, in per cent.
constexpr int N_FRACTIONS = 6;
constexpr int FRACTION_PERCENT[N_FRACTIONS] = {50, 80, 86, 90, 95, 99};

struct BeamQuantities {
  // False when the density holds no beam (no positive, finite total
  // weight): nothing else is then set.
  bool has_beam;
  // False when the beam matrix is singular (all weight on one line or in
  // one cell): the rms emittance is 0 and the Twiss parameters are unset.
  bool has_twiss;
  double x_mean_mm, xp_mean_mrad;
  double sigma11_mm2, sigma12_mm_mrad, sigma22_mrad2;
  double emittance_rms_mm_mrad;
  double beta_m, alpha, gamma_per_m;
  // Emittance (area / pi) of the densest area holding FRACTION_PERCENT[n]
  // per cent of the total weight.
  double emittance_fraction_mm_mrad[N_FRACTIONS];
};

// Largest grid the quantities take (cells are sorted in a fixed array).
constexpr int MAX_QUANTITY_CELLS = 51 * 51;

// The quantities of the density w(i, j) = w[i + j * ld] at (x[i], xp[j]),
// i < nx, j < ny, with x in mm and xp in mrad on uniform steps (only the
// first step enters the areas).  Negative or non-finite cells count as
// empty.  nx * ny must not exceed MAX_QUANTITY_CELLS, and nx, ny >= 2.
BeamQuantities beam_quantities(const float* w, int ld, int nx, int ny, const double* x,
                               const double* xp);
