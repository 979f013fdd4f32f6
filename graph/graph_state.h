// The graph library's state: where on the page the current plot sits, how
// data values map to page coordinates, the tick layout of each axis and the
// style of the next curve.  Plain records with one global instance each,
// kept between calls; the setters below fill them, the scale choice `check`
// turns a data set into rounded limits and ticks on round numbers.
//
// Everything inside the library is computed in graph units, a page
// coordinate system with the origin at the bottom left.  A point goes to a
// device as (x * DEVX, y * DEVY): 32 pixels per unit in the window, 115.2
// PostScript units per unit on paper.  Arithmetic is single precision in the
// order written; log10 and pow are taken in double precision and rounded.
#pragma once

// Page region, character size and device scale.  The result screens
// rewrite it to place each plot; the contour plot narrows PXMAX for the
// duration of its call.
struct tekt_t {
  float PXMIN;  // left edge of the region the next plot may use
  float PXMAX;  // right edge
  float PYMIN;  // bottom edge
  float PYMAX;  // top edge
  float CHARW;  // width of one text character, graph units
  float CHARH;  // height of one text line, graph units
  float DEVX;   // device units per graph unit, horizontal
  float DEVY;   // device units per graph unit, vertical
};

// The current plot window (the axis frame) and curve style.
struct graph_t {
  int NPTS;     // points of the next curve
  float SXMIN;  // left edge of the plot window, graph units
  float SXMAX;  // right edge
  float SYMIN;  // bottom edge
  float SYMAX;  // top edge
  int LINE;     // line type of the next curve; negative: points not joined
  int SYMBL;    // symbol at the points: 0 none, 2/4/8 drawn marks, else a character code
  int STEPS;    // a symbol on every STEPS-th point counted by NSYMB; 0 reads as 10000
};

// The mapping of the current plot, written by the scale choice.
struct scal_t {
  float XFAC;  // graph units per data unit along x (per decade on a log axis)
  float YFAC;  // the same along y
  float XMIN;  // rounded lower x limit (a power of ten on a log axis)
  float XMAX;  // rounded upper x limit
  float YMIN;  // rounded lower y limit
  float YMAX;  // rounded upper y limit
};

// Tick layout and label format.
struct axis_t {
  int XTICS, YTICS;  // major tick positions along the axis, both ends included
  int XDEN, YDEN;    // minor subdivisions of one major interval
  int XDEC, YDEC;    // label decimals; -1: a rounded integer; EXPONENT_LABEL: (1P,E9.2)
  int XWID, YWID;    // label width in characters, 1..9
};

// Axis types: 2 = logarithmic, anything else linear.
struct loglin_t {
  int XTYPE, YTYPE;
};

// Points considered for symbols since the last binitt; it runs on across
// curves, so the symbol rhythm continues from one curve to the next.
struct text1_t {
  int NSYMB;
};

extern tekt_t tekt;
extern graph_t graph;
extern scal_t scal;
extern axis_t axis;
extern loglin_t loglin;
extern text1_t text1;

// The page region and scale of the whole window: 32 x 23.5 graph units on
// 1024 x 768 pixels, screen character size.  tekt starts with these values.
constexpr tekt_t TEKT_SCREEN = {0.0f, 32.0f, 0.5f, 24.0f, 0.32f, 0.6f, 32.0f, 32.0f};

// Label decimals that ask for the exponent form "(1P,E9.2)": chosen by the
// scale choice when a fixed or integer label would need more than the 9
// columns a label may have (ranges below about 3E-6 or above about 3E7).
constexpr int EXPONENT_LABEL = 10;

// Starts a new plot: STEPS 1, NSYMB 0, 3 x 4 ticks, 5 minor subdivisions,
// one decimal, linear axes.
void binitt();
void npts(const int& n);
void slimx(const float& a, const float& b);
void slimy(const float& a, const float& b);
void xtype(const int& t);
void ytype(const int& t);
void line(const int& t);
void symbl(const int& s);
void steps(const int& k);
void stepl(const int& k);   // accepted, no effect
void sizes(const float& s); // accepted, no effect
void xtics(const int& k);
void ytics(const int& k);
void xden(const int& k);
void yden(const int& k);

// The scale choice for the window set by slimx/slimy: scans the NPTS points
// of x and y, rounds the limits outward to the next multiple of the axis's
// decimal unit (a power of ten on a log axis), and sets the scale factors,
// tick counts and label formats; every field of axis is overwritten.
// Data the rounding cannot take are made drawable instead: values that are
// not finite are left out of the scan, a zero range is widened (by a tenth
// of the value each way, or to -1..1 around 0), a log axis over data that
// are not all positive becomes linear, and labels too wide for 9 columns
// take the exponent form.
void check(const float* x, const float* y);
// The same without the scan: rounds the limits already held in scal.
void check2(const float* x, const float* y);

// Major tick positions and minor subdivisions for an axis spanning n
// rounding units, n = 1..33.
extern const int it[33];
extern const int id[33];

// Integer nearest to v, halves away from zero: v + 0.5 (or - 0.5) in single
// precision, truncated.  Values outside the integer range are pulled to its
// ends and a NaN gives 0, so no conversion is undefined.
int nint(float v);
// 10 to the power n, formed by repeated multiplication in single precision
// (for negative n the reciprocal of 10 to the power -n, so that a limit
// k / 10**n of a large axis comes out as the round number it is).
float pow10i(int n);
// log10 taken in double precision and rounded to single.
float flog10(float v);

// Minimum/maximum searches.  Vectors: v(1), v(1+inc), ..., v(1+(n-1)*inc);
// i is the position 1..n of the result.  Matrices: a(k, l) = a[(k-1) +
// (l-1)*lda], k = 1..m outer, l = 1..n inner.  The first best element in
// scan order wins; the magnitude variants compare absolute values and
// return the signed element.
void maxv(const float* v, const int& inc, const int& n, int& i, float& vmax);
void minv(const float* v, const int& inc, const int& n, int& i, float& vmin);
void maxav(const float* v, const int& inc, const int& n, int& i, float& vmax);
void minav(const float* v, const int& inc, const int& n, int& i, float& vmin);
void maxm(const float* a, const int& lda, const int& m, const int& n, int& i, int& j, float& amax);
void minm(const float* a, const int& lda, const int& m, const int& n, int& i, int& j, float& amin);
void maxam(const float* a, const int& lda, const int& m, const int& n, int& i, int& j, float& amax);
void minam(const float* a, const int& lda, const int& m, const int& n, int& i, int& j, float& amin);
