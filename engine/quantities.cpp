// The beam's quantities (see quantities.h).
#include "engine/quantities.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr double PI = 3.14159265358979323846;

// The weight of one cell: what the density holds there, empty cells as 0.
double weight(float v) { return std::isfinite(v) && v > 0.0f ? double(v) : 0.0; }

// Cells in decreasing weight, for the fractional emittances.
double sorted[MAX_QUANTITY_CELLS];

// Area (in cells) of the densest part holding the fraction f of the total
// W: the first k cells whose running sum S_k reaches f W, the last one only
// in the share it needs.
double densest_cells(int n, double W, double f) {
  const double target = f * W;
  double before = 0.0;  // S_{k-1}
  for (int k = 1; k <= n; ++k) {
    const double wk = sorted[k - 1];
    if (before + wk >= target) return double(k - 1) + (target - before) / wk;
    before += wk;
  }
  return double(n);  // rounding left the total a hair below f W
}

}  // namespace

BeamQuantities beam_quantities(const float* w, int ld, int nx, int ny, const double* x,
                               const double* xp) {
  BeamQuantities q{};
  double W = 0.0, sx = 0.0, sxp = 0.0;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const double c = weight(w[i + j * ld]);
      W += c;
      sx += c * x[i];
      sxp += c * xp[j];
    }
  if (!(W > 0.0) || !std::isfinite(W)) return q;
  q.has_beam = true;
  q.x_mean_mm = sx / W;
  q.xp_mean_mrad = sxp / W;

  double s11 = 0.0, s12 = 0.0, s22 = 0.0;
  int n = 0;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const double c = weight(w[i + j * ld]);
      const double dx = x[i] - q.x_mean_mm, dxp = xp[j] - q.xp_mean_mrad;
      s11 += c * dx * dx;
      s12 += c * dx * dxp;
      s22 += c * dxp * dxp;
      sorted[n++] = c;
    }
  q.sigma11_mm2 = s11 / W;
  q.sigma12_mm_mrad = s12 / W;
  q.sigma22_mrad2 = s22 / W;
  const double det = q.sigma11_mm2 * q.sigma22_mrad2 - q.sigma12_mm_mrad * q.sigma12_mm_mrad;
  q.emittance_rms_mm_mrad = det > 0.0 ? std::sqrt(det) : 0.0;
  if (q.emittance_rms_mm_mrad > 0.0) {
    q.has_twiss = true;
    q.beta_m = q.sigma11_mm2 / q.emittance_rms_mm_mrad;
    q.alpha = -q.sigma12_mm_mrad / q.emittance_rms_mm_mrad;
    q.gamma_per_m = q.sigma22_mrad2 / q.emittance_rms_mm_mrad;
  }

  std::sort(sorted, sorted + n, std::greater<double>());
  const double cell = (x[1] - x[0]) * (xp[1] - xp[0]);
  for (int f = 0; f < N_FRACTIONS; ++f)
    q.emittance_fraction_mm_mrad[f] =
        densest_cells(n, W, FRACTION_PERCENT[f] / 100.0) * std::fabs(cell) / PI;
  return q;
}
