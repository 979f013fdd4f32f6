// Axes, curves, the framed plot and the time stamp (see plot.h).
#include "graph/plot.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "device/sys/clock.h"
#include "records/text_records.h"
#include "graph/graph_state.h"

void move_to(Pen& pen, float x, float y) { pen.move(x * tekt.DEVX, y * tekt.DEVY); }
void draw_to(Pen& pen, float x, float y) { pen.draw(x * tekt.DEVX, y * tekt.DEVY); }

namespace {

// One segment from (x1, y1) to (x2, y2), graph units.
void segment(Pen& pen, float x1, float y1, float x2, float y2) {
  move_to(pen, x1, y1);
  draw_to(pen, x2, y2);
}

// Data to graph units in the current mapping.
float map_x(float x) {
  if (loglin.XTYPE == 2) return graph.SXMIN + (flog10(x) - flog10(scal.XMIN)) * scal.XFAC;
  return graph.SXMIN + (x - scal.XMIN) * scal.XFAC;
}
float map_y(float y) {
  if (loglin.YTYPE == 2) return graph.SYMIN + (flog10(y) - flog10(scal.YMIN)) * scal.YFAC;
  return graph.SYMIN + (y - scal.YMIN) * scal.YFAC;
}

// The symbol `code` at (px, py), graph units; marks are 0.24 units wide.
void symbol(const Twin& t, int code, float px, float py) {
  const float h = 0.12f;
  Pen& pen = t.pen;
  switch (code) {
    case 2:  // diagonal cross
      segment(pen, px - h, py + h, px + h, py - h);
      segment(pen, px + h, py + h, px - h, py - h);
      break;
    case 4:  // square
      move_to(pen, px - h, py - h);
      draw_to(pen, px + h, py - h);
      draw_to(pen, px + h, py + h);
      draw_to(pen, px - h, py + h);
      draw_to(pen, px - h, py - h);
      break;
    case 8:  // upright cross
      segment(pen, px, py - h, px, py + h);
      segment(pen, px - h, py, px + h, py);
      break;
    default: {  // the character with that code, in the smallest font
      const char c = char(code);
      pen.text(px * tekt.DEVX, py * tekt.DEVY, &c, 1, 0);
    }
  }
}

// Label format of a log-axis tick at `value`: 1 is written 1.0, 10 and 100
// as integers, 0.01 with two decimals.
void log_label_format(float value, int& dec, int& wid) {
  float e = flog10(value);
  if (e == 0.0f) e = 0.1f;
  int m = nint(e);
  dec = m == 0 ? 1 : m > 0 ? -1 : -m;
  wid = m == 0 ? 3 : m > 0 ? m + 1 : std::abs(m) + 2;
  if (wid > 9) {
    wid = 9;
    dec = EXPONENT_LABEL;
  }
}

// The value at major tick i of an axis from lo to hi with `tics` ticks; on
// a log axis a power of ten, for which the label format is set.
float tick_value(int i, float lo, float hi, int tics, int type, int& dec, int& wid) {
  if (type == 2) {
    const float v = lo * pow10i(i - 1);
    log_label_format(v, dec, wid);
    return v;
  }
  const float inc = (hi - lo) / float(tics - 1);
  return lo + float(i - 1) * inc;
}

// The grid lines of one axis: every k-th major tick and the last one.
// `vertical` lines run from SYMIN to SYMAX at the x ticks.
void grid(Pen& pen, bool vertical, int tics) {
  const float a0 = vertical ? graph.SXMIN : graph.SYMIN;
  const float span = vertical ? graph.SXMAX - graph.SXMIN : graph.SYMAX - graph.SYMIN;
  const float step = span / float(tics - 1);
  const int k = tics / 7 + 1;
  for (int i = 1; i <= tics; ++i) {
    if ((i - 1) % k != 0 && i != tics) continue;
    const float p = a0 + float(i - 1) * step;
    if (vertical) segment(pen, p, graph.SYMIN, p, graph.SYMAX);
    else segment(pen, graph.SXMIN, p, graph.SXMAX, p);
  }
}

// The minor ticks of one axis, hanging `len` outside its bottom or left edge.
void minor_ticks(Pen& pen, bool x_axis, int tics, int den, int type, float len) {
  const float a0 = x_axis ? graph.SXMIN : graph.SYMIN;
  const float span = x_axis ? graph.SXMAX - graph.SXMIN : graph.SYMAX - graph.SYMIN;
  const float step = span / float(tics - 1);
  auto tick = [&](float p) {
    if (x_axis) segment(pen, p, graph.SYMIN - len, p, graph.SYMIN);
    else segment(pen, graph.SXMIN - len, p, graph.SXMIN, p);
  };
  if (type == 2) {
    for (int i = 1; i <= tics - 1; ++i)
      for (int j = 1; j <= den; ++j)
        tick(a0 + float(i - 1) * step + flog10(float(j)) * step);
  } else {
    for (int i = 1; i <= (tics - 1) * den + 1; ++i) tick(a0 + float(i - 1) * step / float(den));
  }
}

}  // namespace

int text_font() {
  int f = int(10.0f * tekt.CHARW) - 1;
  return f < 0 ? 0 : f > 3 ? 3 : f;
}

void put_text(const Twin& t, float x, float y, std::string_view text) {
  t.pen.text(x * tekt.DEVX, y * tekt.DEVY, text.data(), int(text.size()), text_font());
}

void cplot(const Twin& t, const float* x, const float* y) {
  if (graph.STEPS == 0) graph.STEPS = 10000;
  if (graph.LINE >= 0) {
    bool joined = false;  // the pen stands on the previous point
    for (int j = 0; j < graph.NPTS; ++j) {
      const float px = map_x(x[j]), py = map_y(y[j]);
      if (!std::isfinite(px) || !std::isfinite(py)) {
        joined = false;
        continue;
      }
      if (joined) draw_to(t.pen, px, py);
      else move_to(t.pen, px, py);
      joined = true;
    }
  }
  if (graph.SYMBL != 0) {
    for (int j = 0; j < graph.NPTS; ++j) {
      text1.NSYMB = text1.NSYMB + 1;
      if (text1.NSYMB % graph.STEPS != 0) continue;
      const float px = map_x(x[j]), py = map_y(y[j]);
      if (std::isfinite(px) && std::isfinite(py)) symbol(t, graph.SYMBL, px, py);
    }
  }
}

void renout(const Twin& t, const float& value, const int& ndec, const int& width,
            const float& x, const float& y) {
  char format[16];
  char field[20];
  int w = width;
  const bool plain = width >= 1 && width <= 9 && ndec <= 9 &&
                     (ndec >= 0 || std::fabs(value) < 2.0e9f);
  int status;
  if (!plain) {
    w = 9;
    status = rec::write_formatted(rec::Internal(field, w), "(1P,E9.2)", {value}, rec::ERR);
  } else if (ndec >= 0) {
    std::snprintf(format, sizeof format, "(F%d.%d)", width, ndec);
    status = rec::write_formatted(rec::Internal(field, w), format, {value}, rec::ERR);
  } else {
    std::snprintf(format, sizeof format, "(I%d)", width);
    const int k = nint(value);
    status = rec::write_formatted(rec::Internal(field, w), format, {k}, rec::ERR);
  }
  if (status != 0) std::memset(field, '*', std::size_t(w));
  const float start = value >= 0.0f ? x + tekt.CHARW : x;
  int j = 0;
  while (j < w && field[j] == ' ') ++j;
  t.pen.text(start * tekt.DEVX, y * tekt.DEVY, field + j, w - j, text_font());
}

void dsplay(const Twin& t, const float* x, const float* y) {
  Pen& pen = t.pen;
  const float xs = tekt.CHARW * 0.78f * 1.2f;  // length of the y-axis minor ticks
  const float ys = tekt.CHARW * 0.78f;         // length of the x-axis minor ticks
  cplot(t, x, y);

  if (t.grid_flush_colour) pen.flush();
  pen.line_style(1);
  if (t.grid_flush_colour) pen.colour(3);
  grid(pen, true, axis.XTICS);
  grid(pen, false, axis.YTICS);
  if (t.grid_flush_colour) pen.flush();
  pen.line_style(0);

  const float xt = (graph.SXMAX - graph.SXMIN) / float(axis.XTICS - 1);
  const float yt = (graph.SYMAX - graph.SYMIN) / float(axis.YTICS - 1);

  int k = axis.XTICS / 7 + 1;
  for (int i = 1; i <= axis.XTICS; ++i) {
    const float value = tick_value(i, scal.XMIN, scal.XMAX, axis.XTICS, loglin.XTYPE, axis.XDEC,
                                   axis.XWID);
    if ((i - 1) % k != 0) continue;
    const float w = i == axis.XTICS ? float(axis.XWID) * 0.625f * tekt.CHARW
                                    : float(axis.XWID) * 0.312f * tekt.CHARW;
    renout(t, value, axis.XDEC, axis.XWID, graph.SXMIN + float(i - 1) * xt - 0.9f * w,
           graph.SYMIN - tekt.CHARH * 1.66f * 1.1f);
  }

  k = axis.YTICS / 7 + 1;
  for (int i = 1; i <= axis.YTICS; ++i) {
    const float value = tick_value(i, scal.YMIN, scal.YMAX, axis.YTICS, loglin.YTYPE, axis.YDEC,
                                   axis.YWID);
    if ((i - 1) % k != 0) continue;
    renout(t, value, axis.YDEC, axis.YWID, graph.SXMIN - (float(axis.YWID) + 3.5f) * xs,
           graph.SYMIN + float(i - 1) * yt);
  }

  minor_ticks(pen, true, axis.XTICS, axis.XDEN, loglin.XTYPE, ys);
  minor_ticks(pen, false, axis.YTICS, axis.YDEN, loglin.YTYPE, xs);
}

void timds(const Twin& t, const float& x, const float& y) {
  char time[9];
  char date[10];
  mytime(time);
  mydate(date);
  const int n = date[0] == ' ' ? 2 : 1;
  // The date is at most 10 - n characters; a short one ends in NULs, which
  // are not written.
  const std::string_view d(date + n - 1, strnlen(date + n - 1, std::size_t(10 - n)));
  const std::string_view tm(time, 8);
  const float yd = y + tekt.CHARH;
  if (t.date_first) {
    put_text(t, x, yd, d);
    put_text(t, x, y, tm);
  } else {
    put_text(t, x, y, tm);
    put_text(t, x, yd, d);
  }
}

void tplot(const Twin& t, const float* x, const float* y, const int& n, const int& mode,
           const float& ax, const float& ay, std::string_view xlab, const int& nxlab,
           std::string_view ylab, const int& nylab, std::string_view title, const int& ntitle,
           const int& ixtype, const int& iytype, const int& iline, const int& isymb,
           const int& istep, const int& istepl, const float& size, const int& ixden,
           const int& iyden, const int& ixtics, const int& iytics, const int& notitl,
           const int& notime) {
  auto style = [&] {
    line(iline);
    symbl(isymb);
    if (istep != 0 && istep != 1) steps(istep);
    if (istepl != 0 && istepl != 1) stepl(istepl);
    if (size != 0.0f && size != 1.0f) sizes(size);
  };
  if (mode != 1) {
    npts(n);
    style();
    cplot(t, x, y);
    t.pen.flush();
    return;
  }

  binitt();
  float xuse = (tekt.PXMAX - tekt.PXMIN) - float(nylab + 10) * tekt.CHARW;
  float yuse = (tekt.PYMAX - tekt.PYMIN) - 6.0f * tekt.CHARH;
  if (ax > 0.0f && ay > 0.0f) {
    if (ay * xuse < ax * yuse) yuse = ay * xuse / ax;
    else xuse = ax * yuse / ay;
  }
  const float sxmin = tekt.PXMIN + float(nylab + 8) * tekt.CHARW;
  const float symin = tekt.PYMIN + 3.0f * tekt.CHARH;
  const float sxmax = sxmin + xuse;
  const float symax = symin + yuse;
  slimx(sxmin, sxmax);
  slimy(symin, symax);
  npts(n);
  if (ixtype != 1) xtype(ixtype);
  if (iytype != 1) ytype(iytype);
  if (ixden != 0 && ixden != 8) xden(ixden);
  if (iyden != 0 && iyden != 8) yden(iyden);
  if (ixtics != 0) xtics(ixtics);
  if (iytics != 0) ytics(iytics);
  check(x, y);
  style();
  dsplay(t, x, y);

  const float xmid = (graph.SXMIN + graph.SXMAX) / 2.0f;
  float xt = xmid - float(nxlab / 2) * tekt.CHARW;
  put_text(t, xt < 0.0f ? 0.0f : xt, tekt.PYMIN, xlab);
  put_text(t, tekt.PXMIN, (graph.SYMIN + graph.SYMAX) / 2.0f, ylab);
  if (notitl == 0) {
    float tt = xmid - float(ntitle / 2) * tekt.CHARW;
    put_text(t, tt < 0.0f ? 0.0f : tt, graph.SYMAX + tekt.CHARH, title);
  }
  if (notime == 0) timds(t, graph.SXMAX - 10.0f * tekt.CHARW, graph.SYMAX - 2.0f * tekt.CHARH);
  t.pen.flush();
}

// ---- Screen and paper entry points ----

void cplot(const float* x, const float* y) { cplot(screen_twin(), x, y); }
void cplotps(const float* x, const float* y) { cplot(paper_twin(), x, y); }
void dsplay(const float* x, const float* y) { dsplay(screen_twin(), x, y); }
void dsplayps(const float* x, const float* y) { dsplay(paper_twin(), x, y); }
void renout(const float& value, const int& ndec, const int& width, const float& x,
            const float& y) {
  renout(screen_twin(), value, ndec, width, x, y);
}
void renoutps(const float& value, const int& ndec, const int& width, const float& x,
              const float& y) {
  renout(paper_twin(), value, ndec, width, x, y);
}
void timds(const float& x, const float& y) { timds(screen_twin(), x, y); }
void timdsps(const float& x, const float& y) { timds(paper_twin(), x, y); }

void tplot(const float* x, const float* y, const int& n, const int& mode, const float& ax,
           const float& ay, std::string_view xlab, const int& nxlab, std::string_view ylab,
           const int& nylab, std::string_view title, const int& ntitle, const int& ixtype,
           const int& iytype, const int& iline, const int& isymb, const int& istep,
           const int& istepl, const float& size, const int& ixden, const int& iyden,
           const int& ixtics, const int& iytics, const int& notitl, const int& notime) {
  tplot(screen_twin(), x, y, n, mode, ax, ay, xlab, nxlab, ylab, nylab, title, ntitle, ixtype,
        iytype, iline, isymb, istep, istepl, size, ixden, iyden, ixtics, iytics, notitl, notime);
}
void tplotps(const float* x, const float* y, const int& n, const int& mode, const float& ax,
             const float& ay, std::string_view xlab, const int& nxlab, std::string_view ylab,
             const int& nylab, std::string_view title, const int& ntitle, const int& ixtype,
             const int& iytype, const int& iline, const int& isymb, const int& istep,
             const int& istepl, const float& size, const int& ixden, const int& iyden,
             const int& ixtics, const int& iytics, const int& notitl, const int& notime) {
  tplot(paper_twin(), x, y, n, mode, ax, ay, xlab, nxlab, ylab, nylab, title, ntitle, ixtype,
        iytype, iline, isymb, istep, istepl, size, ixden, iyden, ixtics, iytics, notitl, notime);
}
