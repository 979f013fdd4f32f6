// Axes, curves and the one-call framed plot, with the time and date stamp.
//
// Each routine is written once over a Twin (graph/twin.h); the plain name
// draws in the window, the name with the suffix "ps" on the page of KALO.PS
// being written, with the same arguments.  Arrays are read from their
// first element (x(1) is x[0]).  A text carries its own length, which is
// what a device writes (trailing blanks included); the count arguments
// nxlab, nylab and ntitle only centre a text or reserve room for it.
#pragma once

#include <string_view>

#include "graph/twin.h"

// Draws the NPTS points of x, y into the current mapping: a line unless
// LINE < 0, and the symbol SYMBL on every STEPS-th point counted by NSYMB.
// No clipping; a point that maps to no finite position is left out and the
// line starts again at the next one.
void cplot(const Twin& t, const float* x, const float* y);
void cplot(const float* x, const float* y);
void cplotps(const float* x, const float* y);

// Draws the first curve, then the dashed grid (its outer lines are the
// frame), the tick labels and the minor ticks.  check must have run.
void dsplay(const Twin& t, const float* x, const float* y);
void dsplay(const float* x, const float* y);
void dsplayps(const float* x, const float* y);

// Writes one tick label near (x, y): fixed-point with ndec decimals in a
// field of width characters (ndec < 0: the value rounded to an integer),
// leading blanks dropped, one character further right when the value is not
// negative.  A format the one-digit template cannot hold (width outside
// 1..9, ndec above 9, an integer beyond the integer range) is written as
// "(1P,E9.2)" instead.
void renout(const Twin& t, const float& value, const int& ndec, const int& width,
            const float& x, const float& y);
void renout(const float& value, const int& ndec, const int& width, const float& x,
            const float& y);
void renoutps(const float& value, const int& ndec, const int& width, const float& x,
              const float& y);

// The time of day with the date one text line above it, at (x, y).
void timds(const Twin& t, const float& x, const float& y);
void timds(const float& x, const float& y);
void timdsps(const float& x, const float& y);

// mode 1: a new framed plot of the n points of x, y inside the page region
// of tekt, scaled to them, with axes, titles and (notime = 0) a time stamp;
// any other mode: one more curve in the mapping of the plot drawn last.
// ax, ay > 0 fix the aspect of the frame; ixtype, iytype 2 make an axis
// logarithmic; iline, isymb, istep choose the curve's style (istepl, size
// and the density and tick requests are accepted without visible effect).
void tplot(const Twin& t, const float* x, const float* y, const int& n, const int& mode,
           const float& ax, const float& ay, std::string_view xlab, const int& nxlab,
           std::string_view ylab, const int& nylab, std::string_view title, const int& ntitle,
           const int& ixtype, const int& iytype, const int& iline, const int& isymb,
           const int& istep, const int& istepl, const float& size, const int& ixden,
           const int& iyden, const int& ixtics, const int& iytics, const int& notitl,
           const int& notime);
void tplot(const float* x, const float* y, const int& n, const int& mode, const float& ax,
           const float& ay, std::string_view xlab, const int& nxlab, std::string_view ylab,
           const int& nylab, std::string_view title, const int& ntitle, const int& ixtype,
           const int& iytype, const int& iline, const int& isymb, const int& istep,
           const int& istepl, const float& size, const int& ixden, const int& iyden,
           const int& ixtics, const int& iytics, const int& notitl, const int& notime);
void tplotps(const float* x, const float* y, const int& n, const int& mode, const float& ax,
             const float& ay, std::string_view xlab, const int& nxlab, std::string_view ylab,
             const int& nylab, std::string_view title, const int& ntitle, const int& ixtype,
             const int& iytype, const int& iline, const int& isymb, const int& istep,
             const int& istepl, const float& size, const int& ixden, const int& iyden,
             const int& ixtics, const int& iytics, const int& notitl, const int& notime);

// Font index of the plot texts in the window for the current character
// width: INT(10 * CHARW) - 1 (2 for 0.32, 0 for 0.187), kept within 0..3.
int text_font();
// Writes text at (x, y) in graph units with the plot text font.
void put_text(const Twin& t, float x, float y, std::string_view text);
// Moves the pen to, or draws to, (x, y) in graph units: the point goes to
// the device as (x * DEVX, y * DEVY).
void move_to(Pen& pen, float x, float y);
void draw_to(Pen& pen, float x, float y);
