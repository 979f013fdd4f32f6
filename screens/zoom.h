// Helpers the result screens apply around a plot: a temporary zoom of the
// density grid onto its central columns (narrowed for the contour plot,
// stretched two-fold for the 3-D view), each with its undo; the edge cut of
// one projection's H-factors; and a character copy for the legend.
#pragma once

#include "state/run_state.h"

using Grid = FArray<float, MAXG, MAXG>;
using Axis = FArray<float, MAXG>;

// A density counts as confined when every non-zero column lies within
// 14..37; the zoom then shows columns 13..38.
constexpr int ZOOM_FIRST = 13;
constexpr int ZOOM_LAST = 38;

// Narrows a confined density to columns 13..38 (nx becomes 26, the columns
// moved to the front); anything else is left as it is.  resxscal undoes it.
void modxscal(Axis& xgrid, int& nx, int& ny, Grid& rho);
void resxscal(Axis& xgrid, int& nx, int& ny, Grid& rho);

// Spreads the 26 central columns of a confined density over the odd columns
// 1, 3, ..., 51 and fills the even ones with the mean of their neighbours;
// resxscal2 puts the grid back as it was.
void modxscal2(Axis& xgrid, int& nx, int& ny, Grid& rho);
void resxscal2(Axis& xgrid, int& nx, int& ny, Grid& rho);

// Zeroes |icutl| H-factors from the first non-zero one of h(1..n) on, then
// |icutr| from the last non-zero one back; icutl, icutr return as their
// absolute values.  A cut that would reach past the end of the column stops
// there (nothing outside the n factors is touched).
void cuthfac(float* h, const int& n, int& icutl, int& icutr);

// Copies characters 1..n of in to characters 1..n of out.
void mytrim(const char* in, char* out, const int& n);
