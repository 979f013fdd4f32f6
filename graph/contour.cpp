// The contour plot and its emittance table (see contour.h).
#include "graph/contour.h"

#include <cmath>

#include "records/text_records.h"
#include "graph/graph_state.h"
#include "graph/plot.h"

cntrcom_t cntrcom;
csymb_t csymb;
ps_t ps;

namespace {

// Crossing points of the current triangle: slot 1 and 2 of each level.
float xc[MAX_LEVELS + 1][2];
float yc[MAX_LEVELS + 1][2];
// The segment handled last (x1, y1, x2, y2): a segment equal to it is not
// drawn again, since the two triangles of a cell share their diagonal.
float last[4];

// Whole-number part of v, kept inside the integer range (NaN gives 0).
int int_part(float v) { return nint(std::trunc(v)); }

float flog(float v) { return float(std::log(double(v))); }

// Emittance at which 14 % of the beam lies outside, from the table
// EMIT(1..n), FOUT(1..n) (shares rising with k): interpolated between the
// first entry that reaches 14 % and the one before it, linearly in the
// logarithm of the share.  When the first entry already reaches 14 % the
// same rule is carried back from the first two entries, but never beyond
// `whole`, the emittance of all the area above the lowest level.  When the
// share before is 0 (no logarithm) the interpolation is linear in the share.
float emit86(int n, float whole) {
  for (int k = 1; k <= n; ++k) {
    if (!(ps.FOUT(k) >= 14.0f)) continue;
    if (k == 1) {
      if (n < 2) return ps.EMIT(1);
      float d1 = flog(ps.FOUT(2)) - flog(ps.FOUT(1));
      float d2 = flog(14.0f) - flog(ps.FOUT(1));
      if (!(d1 != 0.0f)) return ps.EMIT(1);
      float e = ps.EMIT(1) - (d2 / d1) * (ps.EMIT(1) - ps.EMIT(2));
      return e > whole ? whole : e;
    }
    if (ps.FOUT(k - 1) > 0.0f) {
      float d1 = flog(ps.FOUT(k)) - flog(ps.FOUT(k - 1));
      float d2 = flog(14.0f) - flog(ps.FOUT(k - 1));
      if (d1 != 0.0f) return ps.EMIT(k - 1) - (d2 / d1) * (ps.EMIT(k - 1) - ps.EMIT(k));
      return 0.0f;
    }
    float d1 = ps.FOUT(k) - ps.FOUT(k - 1);
    float d2 = 14.0f - ps.FOUT(k - 1);
    if (d1 != 0.0f) return ps.EMIT(k - 1) - (d2 / d1) * (ps.EMIT(k - 1) - ps.EMIT(k));
    return 0.0f;
  }
  return 0.0f;
}

// The power of two that brings the largest |z| of the grid near 1 when it
// lies beyond 2^50 or below 2^-50, else 1.  The shares multiply two density
// values, which for densities of very large or very small counts would
// leave the single-precision range; the areas and shares are ratios, which
// scaling by a power of two leaves exactly as they are.
float density_scale(const float* z, int ldz, int nx, int ny) {
  float top = 0.0f;
  for (int j = 1; j <= ny; ++j)
    for (int i = 1; i <= nx; ++i) top = std::fmax(top, std::fabs(z[(i - 1) + (j - 1) * ldz]));
  if (!(top > 0.0f) || !std::isfinite(top) || (top >= 0x1p-50f && top <= 0x1p50f)) return 1.0f;
  return std::ldexp(1.0f, -std::ilogb(top));
}

// One legend line: the text of a number under `format`, or under the
// fallback format should the first report an error.
template <int N>
void legend_field(FString<N>& field, const char* format, const char* fallback, float v) {
  if (rec::write_formatted(rec::Internal(field), format, {v}, rec::ERR) != 0)
    rec::write_formatted(rec::Internal(field), fallback, {v}, rec::ERR);
}

}  // namespace

void trict_reset() {
  for (float& v : last) v = 0.0f;
}

void trict(const Twin& t, const float& x0, const float& y0, const float& hx, const float& hy,
           const int& ncont, const float* levels, const float& za, const float& zb,
           const float& zc) {
  auto level = [&](int j) { return levels[j - 1]; };
  const float tv[4] = {za, zb, zc, za};
  float tmin = za, tmax = za;
  if (zb < tmin) tmin = zb;
  if (zc < tmin) tmin = zc;
  if (zb > tmax) tmax = zb;
  if (zc > tmax) tmax = zc;

  int imin = ncont + 1;
  for (int j = ncont; j >= 1 && level(j) >= tmin; --j) imin = j;
  int imax = 0;
  for (int j = 1; j <= ncont && level(j) <= tmax; ++j) imax = j;
  if (imax < imin || tmin == tmax) return;

  int s = 1;
  for (int e = 1; e <= 3; ++e) {
    const float a = tv[e - 1], b = tv[e];
    const float emin = a < b ? a : b;
    const float emax = a < b ? b : a;
    int min1 = ncont + 1;
    for (int j = ncont; j >= 1 && (level(j) > emin || (emin == tmin && level(j) == emin)); --j)
      min1 = j;
    int max1 = 0;
    for (int j = 1; j <= ncont && level(j) <= emax; ++j) max1 = j;
    if (max1 < min1 || emax == emin) continue;
    s = (max1 - min1 == imax - imin && s == 1) ? 2 : 1;
    for (int m = min1; m <= max1; ++m) {
      const float lv = level(m);
      float px, py;
      if (e == 1) {
        px = x0 + (lv - zb) * hx / (za - zb);
        py = y0;
      } else if (e == 2) {
        px = x0;
        py = y0 + (lv - zb) * hy / (zc - zb);
      } else {
        px = x0 + (lv - zc) * hx / (za - zc);
        py = y0 + (lv - za) * hy / (zc - za);
      }
      xc[m][s - 1] = px;
      yc[m][s - 1] = py;
    }
  }

  for (int m = imin; m <= imax; ++m) {
    t.pen.colour(2 + t.level_colour_step * (m % 2));
    cntrcom.NSEG(m) = cntrcom.NSEG(m) + 1;
    const int sym = (csymb.KLAB == 1 && cntrcom.NSEG(m) % 11 == 1) ? m + 64 : 0;
    const float seg[4] = {xc[m][0], yc[m][0], xc[m][1], yc[m][1]};
    const bool repeated = seg[0] == last[0] && seg[1] == last[1] && seg[2] == last[2] &&
                          seg[3] == last[3];
    const bool point = seg[0] == seg[2] && seg[1] == seg[3];
    if (!repeated && !point) {
      const float sx[2] = {seg[0], seg[2]};
      const float sy[2] = {seg[1], seg[3]};
      tplot(t, sx, sy, 2, 0, 0.0f, 0.0f, "", 0, "", 0, "", 0, 1, 1, 0, sym, 3, 1, 0.0f, 0, 0,
            0, 0, 0, 0);
    }
    for (int k = 0; k < 4; ++k) last[k] = seg[k];
  }
}

void phspc(const float* z, const int& ldz, const int& nx, const int& ny, const float* levels,
           const int& ncont, const float& dx, const float& dy, float* area, float* frac) {
  const float s = density_scale(z, ldz, nx, ny);
  for (int k = 1; k <= ncont; ++k) {
    const float lim = levels[k - 1] * s;
    float ar = 0.0f, fr = 0.0f;
    for (int j = 1; j <= ny; ++j) {
      float a = 0.0f, b = z[(j - 1) * ldz] * s;
      for (int i = 1; i <= nx; ++i) {
        if (i > 1) {
          a = b;
          b = z[(i - 1) + (j - 1) * ldz] * s;
        }
        if (a <= lim && b <= lim) continue;
        if (a <= lim) {
          ar = ar + (b - lim) / (b - a);
          fr = fr + ((a + b) / 2.0f) * (b - lim) / (b - a);
        } else if (b <= lim) {
          ar = ar + (a - lim) / (a - b);
          fr = fr + ((a + b) / 2.0f) * (a - lim) / (a - b);
        } else {
          ar = ar + 1.0f;
          fr = fr + (a + b) / 2.0f;
        }
      }
    }
    area[k - 1] = ar * dx * dy * 10000.0f;
    frac[k - 1] = fr;
  }
  const float r = ncont >= 1 ? frac[0] : 0.0f;
  for (int k = 1; k <= ncont; ++k) frac[k - 1] = r > 0.0f ? frac[k - 1] / r * 100.0f : 0.0f;
}

void tcontr(const Twin& t, const float* x, const int& nx, const float* y, const int& ny,
            const float* z, const int& ldz, const int& kround, const int& ncont,
            const float& zmin, const float& zmax, const float&, float* levels, const float&,
            const float&, std::string_view xlab, const int& nxlab, std::string_view ylab,
            const int& nylab, std::string_view title, const int& ntitle, const float&,
            const int& ixden, const int& iyden, const int& ixtics, const int& iytics,
            const int& notitl, const int& notime) {
  const float pxmax = tekt.PXMAX;
  tekt.PXMAX = tekt.PXMAX - 20.0f * tekt.CHARW;

  csymb.KLAB = ncont < 0 ? 0 : 1;
  // |ncont| without overflow: anything beyond 125 is clamped below anyway.
  int ncl = ncont < -1000 ? 1000 : ncont > 1000 ? 1000 : (ncont < 0 ? -ncont : ncont);
  if (ncl > 100) ncl = ncl - 100;
  ncl = ncl < 3 ? 3 : ncl > 25 ? 25 : ncl;
  ps.NCL = ncl;
  const bool nonlinear = ncont < -99 || ncont > 99;

  float z0 = zmin, z1 = zmax;
  int mx = nx < 0 ? -nx : nx;
  int my = ny < 0 ? -ny : ny;
  if (mx > ldz) mx = ldz;
  for (int j = 1; j <= MAX_LEVELS; ++j) cntrcom.NSEG(j) = 0;
  trict_reset();

  // The frame: an empty plot scaled to the grid's extent.
  int i1, i2;
  float xr[2], yr[2];
  minv(x, 1, mx, i1, xr[0]);
  maxv(x, 1, mx, i2, xr[1]);
  minv(y, 1, my, i1, yr[0]);
  maxv(y, 1, my, i2, yr[1]);
  if (t.contour_frame_colour) t.pen.colour(3);
  tplot(t, xr, yr, 2, 1, -1.0f, -1.0f, xlab, nxlab, ylab, nylab, title, ntitle, 1, 1, -1, 0, 1,
        1, 1.0f, ixden, iyden, ixtics, iytics, notitl, notime);

  if (nx <= 0) minm(z, ldz, mx, my, i1, i2, z0);
  if (ny <= 0) maxm(z, ldz, mx, my, i1, i2, z1);
  float delz = (0.99f * z1 - z0) / float(ps.NCL - 1);
  if (kround <= 0 && delz > 0.0f) {
    z1 = z1 - float(std::fmod(double(z1), double(delz)));
    z0 = z0 - float(std::fmod(double(z0), double(delz)));
    const int n = int_part((z1 - z0) / delz + 1.01f);
    if (n < ps.NCL) ps.NCL = n;
  }

  const bool drawable = mx >= 2 && my >= 2 && delz > 0.0f && std::isfinite(delz) &&
                        std::isfinite(z0) && ps.NCL >= 2;
  if (!drawable) {
    if (ps.NCL < 3) ps.NCL = 3;
    for (int k = 1; k <= MAX_LEVELS; ++k) ps.EMIT(k) = ps.FOUT(k) = 0.0f;
    ps.EMIT86 = 0.0f;
    tekt.PXMAX = pxmax;
    t.pen.flush();
    return;
  }

  levels[0] = z0;
  for (int i = 2; i <= ps.NCL; ++i) levels[i - 1] = levels[i - 2] + delz;
  if (nonlinear) {
    for (int i = 2; i <= ps.NCL; ++i) {
      const float tt = float(i - 1) / float(ps.NCL - 1);
      const float s = tt * tt;
      levels[i - 1] = z0 + (0.99f * z1 - z0) * s * (0.75f * s * s + 0.25f);
    }
  }

  auto zz = [&](int i, int j) { return z[(i - 1) + (j - 1) * ldz]; };
  for (int j = 2; j <= my; ++j) {
    for (int k = 2; k <= mx; ++k) {
      const int i = j % 2 == 0 ? k : mx - k + 2;
      const float za1 = zz(i - 1, j - 1), za2 = zz(i, j - 1), za3 = zz(i, j), za4 = zz(i - 1, j);
      const float dx = x[i - 1] - x[i - 2];
      const float dy = y[j - 1] - y[j - 2];
      const float mdx = -dx, mdy = -dy;
      if (std::fabs(za3 - za1) >= std::fabs(za4 - za2)) {
        trict(t, x[i - 1], y[j - 1], mdx, mdy, ps.NCL, levels, za4, za3, za2);
        trict(t, x[i - 2], y[j - 2], dx, dy, ps.NCL, levels, za2, za1, za4);
      } else {
        trict(t, x[i - 2], y[j - 1], dx, mdy, ps.NCL, levels, za3, za4, za1);
        trict(t, x[i - 1], y[j - 2], mdx, dy, ps.NCL, levels, za1, za2, za3);
      }
    }
  }

  // The legend: header, then per level its letter, area and share.
  const float xs = tekt.PXMAX + 4.0f * tekt.CHARW;
  float ys = tekt.PYMAX - 4.0f * tekt.CHARH;
  t.pen.colour(1);
  if (notitl == 0) put_text(t, xs - 3.0f * tekt.CHARW, ys, t.legend_header);
  ys = ys - tekt.CHARH;

  phspc(z, ldz, mx, my, levels, ps.NCL, x[1] - x[0], y[1] - y[0], ps.EMIT.data(),
        ps.FOUT.data());
  const float whole = ps.EMIT(1) / 3.1416f;  // emittance of all the area above level 1

  for (int i = 1; i <= ps.NCL; ++i) {
    ys = ys - tekt.CHARH;
    FString<8> legend1;
    FString<7> legend2;
    legend_field(legend1, "(F8.1)", "(1P,E8.2)", ps.EMIT(i));
    legend_field(legend2, "(F7.1)", "(0P,F7.1)", ps.FOUT(i));
    if (notitl != 0) continue;
    const char letter[2] = {char(64 + i), ':'};
    const float share_x = xs + float(t.legend_share_column) * tekt.CHARW;
    put_text(t, xs - 2.0f * tekt.CHARW, ys, std::string_view(letter, 2));
    if (t.legend_share_first) put_text(t, share_x, ys, legend2.view());
    put_text(t, xs, ys, legend1.view());
    if (!t.legend_share_first) put_text(t, share_x, ys, legend2.view());
  }

  for (int k = 1; k <= ps.NCL - 1; ++k) {
    ps.EMIT(k) = ps.EMIT(k + 1) / 3.1416f;
    ps.FOUT(k) = 100.0f - ps.FOUT(k + 1);
  }
  ps.EMIT86 = emit86(ps.NCL - 1, whole);

  tekt.PXMAX = pxmax;
  t.pen.flush();
}

// ---- Screen and paper entry points ----

void trict(const float& x0, const float& y0, const float& hx, const float& hy,
           const int& ncont, const float* levels, const float& za, const float& zb,
           const float& zc) {
  trict(screen_twin(), x0, y0, hx, hy, ncont, levels, za, zb, zc);
}
void trictps(const float& x0, const float& y0, const float& hx, const float& hy,
             const int& ncont, const float* levels, const float& za, const float& zb,
             const float& zc) {
  trict(paper_twin(), x0, y0, hx, hy, ncont, levels, za, zb, zc);
}

void tcontr(const float* x, const int& nx, const float* y, const int& ny, const float* z,
            const int& ldz, const int& kround, const int& ncont, const float& zmin,
            const float& zmax, const float& u1, float* levels, const float& u2,
            const float& u3, std::string_view xlab, const int& nxlab, std::string_view ylab,
            const int& nylab, std::string_view title, const int& ntitle, const float& u4,
            const int& ixden, const int& iyden, const int& ixtics, const int& iytics,
            const int& notitl, const int& notime) {
  tcontr(screen_twin(), x, nx, y, ny, z, ldz, kround, ncont, zmin, zmax, u1, levels, u2, u3,
         xlab, nxlab, ylab, nylab, title, ntitle, u4, ixden, iyden, ixtics, iytics, notitl,
         notime);
}
void tcontrps(const float* x, const int& nx, const float* y, const int& ny, const float* z,
              const int& ldz, const int& kround, const int& ncont, const float& zmin,
              const float& zmax, const float& u1, float* levels, const float& u2,
              const float& u3, std::string_view xlab, const int& nxlab,
              std::string_view ylab, const int& nylab, std::string_view title,
              const int& ntitle, const float& u4, const int& ixden, const int& iyden,
              const int& ixtics, const int& iytics, const int& notitl, const int& notime) {
  tcontr(paper_twin(), x, nx, y, ny, z, ldz, kround, ncont, zmin, zmax, u1, levels, u2, u3,
         xlab, nxlab, ylab, nylab, title, ntitle, u4, ixden, iyden, ixtics, iytics, notitl,
         notime);
}
