// Graph records, setters, the scale choice and the minimum/maximum searches
// (see graph_state.h).
#include "graph/graph_state.h"

#include <cmath>
#include <cstdlib>

tekt_t tekt = TEKT_SCREEN;
graph_t graph = {0, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0, 1};
scal_t scal;
axis_t axis = {3, 4, 5, 5, 1, 1, 4, 4};
loglin_t loglin = {1, 1};
text1_t text1;

// For every n, it(n) - 1 divides n: the axis gets it(n) - 1 equal major
// intervals, each split into id(n) minor ones.
const int it[33] = {2, 3, 4, 5, 6, 4, 8, 5, 4, 6, 12, 7, 14, 8, 6, 5, 18,
                    7, 20, 5, 8, 12, 24, 5, 6, 14, 10, 8, 30, 11, 32, 9, 12};
const int id[33] = {10, 5, 5, 2, 2, 2, 2, 2, 3, 2, 1, 2, 1, 2, 3, 4, 1,
                    3, 1, 5, 3, 2, 1, 6, 5, 2, 3, 4, 1, 3, 1, 4, 3};

void binitt() {
  graph.STEPS = 1;
  text1.NSYMB = 0;
  axis.XTICS = 3;
  axis.YTICS = 4;
  axis.XDEN = 5;
  axis.YDEN = 5;
  axis.XDEC = 1;
  axis.YDEC = 1;
  loglin.XTYPE = 1;
  loglin.YTYPE = 1;
}

void npts(const int& n) { graph.NPTS = n; }
void slimx(const float& a, const float& b) {
  graph.SXMIN = a;
  graph.SXMAX = b;
}
void slimy(const float& a, const float& b) {
  graph.SYMIN = a;
  graph.SYMAX = b;
}
void xtype(const int& t) { loglin.XTYPE = t; }
void ytype(const int& t) { loglin.YTYPE = t; }
void line(const int& t) { graph.LINE = t; }
void symbl(const int& s) { graph.SYMBL = s; }
void steps(const int& k) { graph.STEPS = k; }
void stepl(const int&) {}
void sizes(const float&) {}
void xtics(const int& k) { axis.XTICS = k; }
void ytics(const int& k) { axis.YTICS = k; }
void xden(const int& k) { axis.XDEN = k; }
void yden(const int& k) { axis.YDEN = k; }

int nint(float v) {
  if (std::isnan(v)) return 0;
  float r = v >= 0.0f ? v + 0.5f : v - 0.5f;
  if (r >= 2147483520.0f) return 2147483647;
  if (r <= -2147483648.0f) return -2147483647 - 1;
  return int(r);
}

float pow10i(int n) {
  float p = 1.0f;
  for (int k = 0; k < n || k < -n; ++k) p = p * 10.0f;
  return n < 0 ? 1.0f / p : p;
}

float flog10(float v) { return float(std::log10(double(v))); }

namespace {

// Limits beyond which an axis cannot be rounded in single precision: the
// largest magnitude a limit may have, the smallest range a linear axis may
// span and the smallest positive value a log axis may reach.
constexpr float LIMIT_MAX = 1e37f;
constexpr float RANGE_MIN = 1e-30f;
constexpr float LOG_MIN = 1e-30f;
constexpr float LOG_MAX = 1e30f;

// Whole-number part of a scaled limit, which stays far inside the integer
// range for the limits the rounding accepts.
int trunc_int(float v) { return nint(std::trunc(v)); }

// Makes one axis drawable: limits that are not finite or too large are
// pulled in, a zero range is widened, and a log axis whose data are not all
// positive (or out of reach of single precision) becomes linear.
void sanitize(float& lo, float& hi, int& type) {
  if (!(lo <= hi)) lo = hi = 0.0f;  // only NaNs were seen
  if (lo < -LIMIT_MAX) lo = -LIMIT_MAX;
  if (hi > LIMIT_MAX) hi = LIMIT_MAX;
  if (lo > LIMIT_MAX) lo = LIMIT_MAX;
  if (hi < -LIMIT_MAX) hi = -LIMIT_MAX;
  if (!(hi - lo > RANGE_MIN)) {
    float c = hi;
    float a = std::fabs(c);
    if (a < RANGE_MIN) {
      lo = -1.0f;
      hi = 1.0f;
    } else {
      lo = c - a * 0.1f;
      hi = c + a * 0.1f;
    }
  }
  if (type == 2 && !(lo >= LOG_MIN && hi <= LOG_MAX)) type = 1;
}

// Decimal magnitude of a range: the axis's rounding unit is 10**-result.
int rmag(float lo, float hi) {
  float r = hi - lo;
  float L = -flog10(r);
  return nint(L) + 1;
}

// Upper limit moved up to the next multiple of the unit; k1 = units.
void rmaxlin(float& v, int nx, int& k1) {
  float p = pow10i(nx);
  float a = std::fabs(v) * p;
  k1 = trunc_int(a);
  if (a - float(k1) >= 0.0001f && v > 0.0f) k1 = k1 + 1;
  float r = float(k1) / p;
  if (v < 0.0f) {
    r = -r;
    k1 = -k1;
  }
  v = r;
}

// Lower limit moved down to the next multiple of the unit; k2 = units.
void rminlin(float& v, int nx, int& k2) {
  float p = pow10i(nx);
  float a = std::fabs(v) * p;
  k2 = trunc_int(a);
  if (a - float(k2) >= 0.0001f && v < 0.0f) k2 = k2 + 1;
  float r = float(k2) / p;
  if (v < 0.0f) {
    r = -r;
    k2 = -k2;
  }
  v = r;
}

// Upper limit of a log axis up to a power of ten; e = its exponent.
void rmaxlog(float& v, int& e) {
  float lg = flog10(v);
  e = int(lg);
  if (std::fabs(lg - float(e)) >= 0.0001f && lg > 0.0f) e = e + 1;
  v = pow10i(e);
}

// Lower limit of a log axis down to a power of ten; e = its exponent.
void rminlog(float& v, int& e) {
  float lg = flog10(v);
  e = int(lg);
  if (std::fabs(lg - float(e)) >= 0.0001f && lg < 0.0f) e = e - 1;
  v = pow10i(e);
}

// One axis of the scale choice, from the limits in lo, hi to the factor,
// ticks and label format.
struct AxisOut {
  float& lo;
  float& hi;
  float& fac;
  int& type;
  int& tics;
  int& den;
  int& dec;
  int& wid;
};

void round_axis(AxisOut a, float smin, float smax) {
  sanitize(a.lo, a.hi, a.type);
  int n = rmag(a.lo, a.hi);
  if (a.type == 2) {
    int emax = 0, emin = 0;
    rmaxlog(a.hi, emax);
    rminlog(a.lo, emin);
    if (emax == emin) {  // data within one power of ten of 1: one decade
      emax = emin + 1;
      a.hi = pow10i(emax);
    }
    a.fac = (smax - smin) / float(emax - emin);
    a.tics = emax - emin + 1;
    a.den = 10;
  } else {
    int k1 = 0, k2 = 0;
    rmaxlin(a.hi, n, k1);
    rminlin(a.lo, n, k2);
    a.fac = (smax - smin) / (a.hi - a.lo);
    int units = k1 - k2;
    if (units < 1) units = 1;
    if (units > 33) units = 33;
    a.tics = it[units - 1];
    a.den = id[units - 1];
  }
  a.dec = n >= 1 ? n : -1;
  a.wid = std::abs(n) + 3;
  if (a.wid > 9) {
    a.wid = 9;
    a.dec = EXPONENT_LABEL;
  }
}

void round_both() {
  round_axis({scal.XMIN, scal.XMAX, scal.XFAC, loglin.XTYPE, axis.XTICS, axis.XDEN,
              axis.XDEC, axis.XWID},
             graph.SXMIN, graph.SXMAX);
  round_axis({scal.YMIN, scal.YMAX, scal.YFAC, loglin.YTYPE, axis.YTICS, axis.YDEN,
              axis.YDEC, axis.YWID},
             graph.SYMIN, graph.SYMAX);
}

// Smallest and largest finite value of v(1..n).
void scan(const float* v, int n, float& lo, float& hi) {
  bool any = false;
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) continue;
    if (!any) lo = hi = v[i];
    any = true;
    if (v[i] < lo) lo = v[i];
    if (v[i] > hi) hi = v[i];
  }
  if (!any) lo = hi = 0.0f;
}

}  // namespace

void check(const float* x, const float* y) {
  scan(x, graph.NPTS, scal.XMIN, scal.XMAX);
  scan(y, graph.NPTS, scal.YMIN, scal.YMAX);
  round_both();
}

void check2(const float*, const float*) { round_both(); }

// ---- Minimum/maximum searches ----

namespace {

// The common scan: `better(candidate, best)` decides strictly.
template <typename Better>
void search_v(const float* v, int inc, int n, int& i, float& out, Better better) {
  i = 1;
  for (int k = 2; k <= n; ++k)
    if (better(v[(k - 1) * inc], v[(i - 1) * inc])) i = k;
  out = v[(i - 1) * inc];
}

template <typename Better>
void search_m(const float* a, int lda, int m, int n, int& i, int& j, float& out, Better better) {
  auto at = [&](int k, int l) { return a[(k - 1) + (l - 1) * lda]; };
  i = 1;
  j = 1;
  for (int k = 1; k <= m; ++k)
    for (int l = 1; l <= n; ++l)
      if (better(at(k, l), at(i, j))) {
        i = k;
        j = l;
      }
  out = at(i, j);
}

bool greater(float c, float b) { return c > b; }
bool less(float c, float b) { return c < b; }
bool greater_abs(float c, float b) { return std::fabs(c) > std::fabs(b); }
bool less_abs(float c, float b) { return std::fabs(c) < std::fabs(b); }

}  // namespace

void maxv(const float* v, const int& inc, const int& n, int& i, float& r) { search_v(v, inc, n, i, r, greater); }
void minv(const float* v, const int& inc, const int& n, int& i, float& r) { search_v(v, inc, n, i, r, less); }
void maxav(const float* v, const int& inc, const int& n, int& i, float& r) { search_v(v, inc, n, i, r, greater_abs); }
void minav(const float* v, const int& inc, const int& n, int& i, float& r) { search_v(v, inc, n, i, r, less_abs); }

void maxm(const float* a, const int& lda, const int& m, const int& n, int& i, int& j, float& r) {
  search_m(a, lda, m, n, i, j, r, greater);
}
void minm(const float* a, const int& lda, const int& m, const int& n, int& i, int& j, float& r) {
  search_m(a, lda, m, n, i, j, r, less);
}
void maxam(const float* a, const int& lda, const int& m, const int& n, int& i, int& j, float& r) {
  search_m(a, lda, m, n, i, j, r, greater_abs);
}
void minam(const float* a, const int& lda, const int& m, const int& n, int& i, int& j, float& r) {
  search_m(a, lda, m, n, i, j, r, less_abs);
}
