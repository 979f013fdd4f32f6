// The isometric 3-D view of a density on a grid: the grid lines of constant
// second index drawn front to back as profiles lifted by the density, each
// hidden where it lies below what the rows in front of it already cover
// (a floating horizon, one pass, one work array).  A partial box, a title,
// the axis letters S and T and a time stamp complete the picture.
//
// tiso3d draws in the window, tiso3dps on the page of KALO.PS being
// written; both are the one routine over a Twin (graph/twin.h).
#pragma once

#include <string_view>

#include "graph/twin.h"

// Leading dimension with which the heights are read.
constexpr int SURFACE_LD = 51;

// Draws z(i, j), i = 1..nu, j = 1..nv (read with leading dimension 51; lda
// is the one the maximum search uses) inside the page region of tekt.
// nu and nv are raised to at least 3 and kept to at most 51.  kflip != 0
// turns the view by 180 degrees.  hor is a work array of at least nu
// elements.  noframe = 0 draws the box and the title, notime = 0 the time
// stamp.  A surface whose largest value is not positive (or not finite)
// gets the box, the letters and the stamp alone.
void tiso3d(const Twin& t, const float* z, const int& lda, const int& nu, const int& nv,
            const int& kflip, float* hor, std::string_view title, const int& ntitle,
            const int& noframe, const int& notime);
void tiso3d(const float* z, const int& lda, const int& nu, const int& nv, const int& kflip,
            float* hor, std::string_view title, const int& ntitle, const int& noframe,
            const int& notime);
void tiso3dps(const float* z, const int& lda, const int& nu, const int& nv, const int& kflip,
              float* hor, std::string_view title, const int& ntitle, const int& noframe,
              const int& notime);
