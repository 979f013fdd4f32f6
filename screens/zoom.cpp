// Zoom and cut helpers of the result screens (see zoom.h).
#include "screens/zoom.h"

namespace {

// The column range a zoom shows: 13..38 for a confined density, else all.
struct Range {
  int i1, i2;
  bool confined() const { return i2 != MAXG; }
};

Range central_columns(int nx, int ny, const Grid& rho) {
  auto nonzero = [&](int i) {
    float sum = 0.0f;
    for (int j = 1; j <= ny; ++j) sum = sum + rho(i, j);
    return sum != 0.0f;
  };
  int first = nx + 1, last = 0;
  for (int i = 1; i <= nx && first > nx; ++i)
    if (nonzero(i)) first = i;
  for (int i = nx; i >= 1 && last == 0; --i)
    if (nonzero(i)) last = i;
  const int i1 = first - 1 > 1 ? first - 1 : 1;
  const int i2 = last + 1 < MAXG ? last + 1 : MAXG;
  if (i1 > 12 && i2 < 39) return {ZOOM_FIRST, ZOOM_LAST};
  return {1, MAXG};
}

// Save areas: one per zoom variant, for the duration of one plot.
struct Saved {
  Axis x;
  Grid rho;
  float nx;  // the narrowing's NX before the zoom
  Range range;
};
Saved narrow;
Saved stretch = {{}, {}, 0.0f, {1, MAXG}};

// |v|, kept inside the integer range.
int magnitude(int v) { return v >= 0 ? v : v == -2147483647 - 1 ? 2147483647 : -v; }

}  // namespace

void modxscal(Axis& xgrid, int& nx, int& ny, Grid& rho) {
  if (!central_columns(nx, ny, rho).confined()) return;
  narrow.nx = float(nx);
  nx = ZOOM_LAST - ZOOM_FIRST + 1;
  const int shift = ZOOM_FIRST - 1;
  for (int i = 1; i <= nx; ++i) {
    narrow.x(i) = xgrid(i);
    xgrid(i) = xgrid(i + shift);
    for (int j = 1; j <= ny; ++j) {
      narrow.rho(i, j) = rho(i, j);
      rho(i, j) = rho(i + shift, j);
    }
  }
}

void resxscal(Axis& xgrid, int& nx, int& ny, Grid& rho) {
  if (nx == MAXG) return;
  for (int i = 1; i <= nx; ++i) {
    xgrid(i) = narrow.x(i);
    for (int j = 1; j <= ny; ++j) rho(i, j) = narrow.rho(i, j);
  }
  nx = int(narrow.nx);
}

void modxscal2(Axis& xgrid, int& nx, int& ny, Grid& rho) {
  stretch.range = central_columns(nx, ny, rho);
  if (!stretch.range.confined()) return;
  for (int i = 1; i <= nx; ++i) {
    stretch.x(i) = xgrid(i);
    for (int j = 1; j <= ny; ++j) stretch.rho(i, j) = rho(i, j);
  }
  for (int i = ZOOM_FIRST; i <= ZOOM_LAST; ++i)
    for (int j = 1; j <= ny; ++j) rho(2 * (i - ZOOM_FIRST) + 1, j) = stretch.rho(i, j);
  for (int k = 1; k <= MAXG - 2; k += 2)
    for (int j = 1; j <= ny; ++j) rho(k + 1, j) = (rho(k, j) + rho(k + 2, j)) / 2.0f;
}

void resxscal2(Axis& xgrid, int& nx, int& ny, Grid& rho) {
  if (!stretch.range.confined()) return;
  for (int i = 1; i <= nx; ++i) {
    xgrid(i) = stretch.x(i);
    for (int j = 1; j <= ny; ++j) rho(i, j) = stretch.rho(i, j);
  }
}

void cuthfac(float* h, const int& n, int& icutl, int& icutr) {
  icutl = magnitude(icutl);
  icutr = magnitude(icutr);
  if (icutl != 0) {
    int f = 1;
    while (f <= n && h[f - 1] == 0.0f) ++f;
    for (int k = f; k <= n && k - f < icutl; ++k) h[k - 1] = 0.0f;
  }
  if (icutr != 0) {
    int g = n;
    while (g >= 1 && h[g - 1] == 0.0f) --g;
    for (int k = g; k >= 1 && g - k < icutr; --k) h[k - 1] = 0.0f;
  }
}

void mytrim(const char* in, char* out, const int& n) {
  for (int i = 0; i < n; ++i) out[i] = in[i];
}
