// The contour plot of a density on a rectangular grid, with the emittance
// legend: for each level the phase-space area where the density exceeds it
// and the share of the beam inside.  After the plot, record ps holds the
// emittance curve (area / pi against the share outside) and EMIT86, the
// emittance that leaves 14 % of the beam outside, for the result screens.
//
// tcontr draws in the window, tcontrps on the page of KALO.PS being
// written; both are the one routine over a Twin (graph/twin.h).
#pragma once

#include <string_view>

#include "state/fixed.h"
#include "graph/twin.h"

// Contour levels and legend lines a plot can have at most.
constexpr int MAX_LEVELS = 50;

// Triangles each level has crossed since the start of the current plot.
struct cntrcom_t {
  FArray<int, MAX_LEVELS> NSEG;
};

// 1: contour lines carry level letters, 0: no letters.
struct csymb_t {
  int KLAB;
};

// The contour plot's result.
struct ps_t {
  // During the plot: area where the density exceeds level k (mm mrad);
  // afterwards, k = 1..NCL-1: the emittance (area / pi) inside contour k+1.
  FArray<float, MAX_LEVELS> EMIT;
  // During the plot: per cent of the density sum above level k; afterwards,
  // k = 1..NCL-1: per cent of the beam outside contour k+1.
  FArray<float, MAX_LEVELS> FOUT;
  int NCL;       // levels used, 3..25
  float EMIT86;  // emittance with 14 % of the beam outside; 0 when not found
};

extern cntrcom_t cntrcom;
extern csymb_t csymb;
extern ps_t ps;

// Contour plot of z(i, j) at (x(i), y(j)), i = 1..|nx|, j = 1..|ny|, z with
// leading dimension ldz.  nx <= 0: the lowest level is the smallest z
// (else zmin); ny <= 0: the spacing reaches to 0.99 of the largest z (else
// of zmax).  kround <= 0 rounds the level range to multiples of the level
// step.  ncont: |ncont| levels (3..25), above 100 (or exactly 100) minus
// 100 with levels crowding toward the lowest, negative without letters.
// levels receives the level values (at least 25 elements).  Titles and
// ixden..iytics as for tplot; notitl = 0 draws the title and the legend,
// notime = 0 the time stamp.  The arguments marked unused are accepted
// without effect.
//
// A grid of fewer than two nodes in a direction, or a density without a
// positive level step (zero everywhere, or not finite), gets the frame
// alone; record ps then holds zeros.
void tcontr(const Twin& t, const float* x, const int& nx, const float* y, const int& ny,
            const float* z, const int& ldz, const int& kround, const int& ncont,
            const float& zmin, const float& zmax, const float& unused1, float* levels,
            const float& unused2, const float& unused3, std::string_view xlab,
            const int& nxlab, std::string_view ylab, const int& nylab, std::string_view title,
            const int& ntitle, const float& unused4, const int& ixden, const int& iyden,
            const int& ixtics, const int& iytics, const int& notitl, const int& notime);
void tcontr(const float* x, const int& nx, const float* y, const int& ny, const float* z,
            const int& ldz, const int& kround, const int& ncont, const float& zmin,
            const float& zmax, const float& unused1, float* levels, const float& unused2,
            const float& unused3, std::string_view xlab, const int& nxlab,
            std::string_view ylab, const int& nylab, std::string_view title, const int& ntitle,
            const float& unused4, const int& ixden, const int& iyden, const int& ixtics,
            const int& iytics, const int& notitl, const int& notime);
void tcontrps(const float* x, const int& nx, const float* y, const int& ny, const float* z,
              const int& ldz, const int& kround, const int& ncont, const float& zmin,
              const float& zmax, const float& unused1, float* levels, const float& unused2,
              const float& unused3, std::string_view xlab, const int& nxlab,
              std::string_view ylab, const int& nylab, std::string_view title,
              const int& ntitle, const float& unused4, const int& ixden, const int& iyden,
              const int& ixtics, const int& iytics, const int& notitl, const int& notime);

// Contours one right triangle: vertex (x0, y0) with legs hx, hy; za, zb, zc
// are the density at (x0 + hx, y0), (x0, y0) and (x0, y0 + hy).  Each level
// crossing it gets one segment, drawn as a two-point overlay curve.
void trict(const Twin& t, const float& x0, const float& y0, const float& hx, const float& hy,
           const int& ncont, const float* levels, const float& za, const float& zb,
           const float& zc);
void trict(const float& x0, const float& y0, const float& hx, const float& hy,
           const int& ncont, const float* levels, const float& za, const float& zb,
           const float& zc);
void trictps(const float& x0, const float& y0, const float& hx, const float& hy,
             const int& ncont, const float* levels, const float& za, const float& zb,
             const float& zc);
// Forgets the segment drawn last, so that the next one is drawn whatever
// it is; every contour plot starts so.
void trict_reset();

// For each level k: area(k) = grid area where z exceeds levels(k), in
// dx * dy * 10000 units, interpolated linearly along the first index (each
// row rises from an implied 0 before its first node); frac(k) = per cent of
// the density sum above the level, relative to level 1 (0 everywhere when
// that sum is not positive).
void phspc(const float* z, const int& ldz, const int& nx, const int& ny, const float* levels,
           const int& ncont, const float& dx, const float& dy, float* area, float* frac);
