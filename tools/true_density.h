// The true phase-space density of a synthetic example and its text file.
//
// The example maker writes, beside each example FILE.DAT, FILE.TRUE with the
// density the profiles were integrated from: a sum of tilted Gaussians in
// (x cm, y rad).  The file is plain text: lines starting with '#' are
// comments (they restate the formula below), then "BETA b" (cm per rad of
// the scaled plane, in which the Gaussians are given), then one line per
// Gaussian "x0 y0 sig1 sig2 tilt weight": centre (cm, rad), rms sizes along
// the principal axes in the plane (x, BETA*y) (cm), the tilt of the first
// axis from the x axis (degrees) and its share of the beam.
//
//   rho(x, y) = sum of weight*BETA/(2*pi*sig1*sig2) * exp(-(u^2 + v^2)/2),
//   u = (c*dx + s*dy)/sig1, v = (-s*dx + c*dy)/sig2,
//   dx = x - x0, dy = BETA*(y - y0), c = cos(tilt), s = sin(tilt);
//
// rho is particles per cm per rad with integral 1.  Double precision: these
// are tools, not part of the reconstruction.
#pragma once

#include <cmath>
#include <cstdio>

namespace truth {

constexpr double PI = 3.14159265358979323846;
constexpr int MAXGAUSS = 4;  // Gaussians one file may hold

struct Gauss {
  double x0, y0, sig1, sig2, tilt, weight;
};

struct Density {
  double beta = 100.0;  // cm/rad
  int n = 0;
  Gauss g[MAXGAUSS];
};

inline double value(const Density& d, double x, double y) {
  double rho = 0.0;
  for (int i = 0; i < d.n; ++i) {
    const Gauss& g = d.g[i];
    const double c = std::cos(g.tilt * PI / 180.0), s = std::sin(g.tilt * PI / 180.0);
    const double dx = x - g.x0, dy = (y - g.y0) * d.beta;
    const double u = (c * dx + s * dy) / g.sig1, v = (-s * dx + c * dy) / g.sig2;
    rho += g.weight * d.beta / (2.0 * PI * g.sig1 * g.sig2) * std::exp(-0.5 * (u * u + v * v));
  }
  return rho;
}

// Writes the file; false when it could not be written completely.
inline bool write(const Density& d, const char* path, const char* of) {
  FILE* f = std::fopen(path, "w");
  if (!f) return false;
  std::fprintf(f,
               "# True phase-space density of %s (x cm, y rad), a sum of Gaussians:\n"
               "# rho(x,y) = sum weight*BETA/(2*pi*sig1*sig2)*exp(-(u^2+v^2)/2),\n"
               "# u = (c*dx+s*dy)/sig1, v = (-s*dx+c*dy)/sig2, dx = x-x0, dy = BETA*(y-y0),\n"
               "# c = cos(tilt), s = sin(tilt).  Columns: x0(cm) y0(rad) sig1(cm) sig2(cm) "
               "tilt(deg) weight\n"
               "BETA %.15g\n",
               of, d.beta);
  for (int i = 0; i < d.n; ++i) {
    const Gauss& g = d.g[i];
    std::fprintf(f, "%.15g %.15g %.15g %.15g %.15g %.15g\n", g.x0, g.y0, g.sig1, g.sig2, g.tilt,
                 g.weight);
  }
  const bool ok = !std::ferror(f);
  return std::fclose(f) == 0 && ok;
}

// Reads the file; false when it is missing or not in the form above.
inline bool read(Density& d, const char* path) {
  FILE* f = std::fopen(path, "r");
  if (!f) return false;
  char line[256];
  bool beta = false, ok = true;
  d.n = 0;
  while (ok && std::fgets(line, sizeof line, f)) {
    if (line[0] == '#') continue;
    if (!beta) {
      ok = beta = std::sscanf(line, "BETA %lf", &d.beta) == 1;
      continue;
    }
    Gauss& g = d.g[d.n];
    ok = d.n < MAXGAUSS && std::sscanf(line, "%lf %lf %lf %lf %lf %lf", &g.x0, &g.y0, &g.sig1,
                                       &g.sig2, &g.tilt, &g.weight) == 6;
    if (ok) ++d.n;
  }
  std::fclose(f);
  return ok && beta && d.n > 0;
}

}  // namespace truth
