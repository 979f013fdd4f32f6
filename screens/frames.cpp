// The result frames (see frames.h).
#include "screens/frames.h"

#include <cstring>

#include "state/run_state.h"
#include "records/text_records.h"
#include "graph/contour.h"
#include "graph/graph_state.h"
#include "graph/plot.h"
#include "graph/surface.h"
#include "screens/zoom.h"

namespace {

// Page regions 0..9: PXMIN, PXMAX, PYMIN, PYMAX, CHARW, CHARH.  Region 0
// is the whole window; 1..6 the overview's small profile plots (two
// columns of three, numbered from the top of the left column); 7 its
// contour plot (reaching past the right edge: the plot narrows itself for
// its legend); 8 its emittance curve; 9 its 3-D view.
constexpr float SCREEN_REGIONS[10][6] = {
    {0.0f, 32.0f, 0.5f, 24.0f, 0.32f, 0.6f},    {0.0f, 9.0f, 15.3f, 22.8f, 0.187f, 0.35f},
    {0.0f, 9.0f, 7.7f, 15.2f, 0.187f, 0.35f},   {0.0f, 9.0f, 0.1f, 7.6f, 0.187f, 0.35f},
    {9.5f, 18.5f, 15.3f, 22.8f, 0.187f, 0.35f}, {9.5f, 18.5f, 7.7f, 15.2f, 0.187f, 0.35f},
    {9.5f, 18.5f, 0.1f, 7.6f, 0.187f, 0.35f},   {18.5f, 35.0f, 12.0f, 22.8f, 0.187f, 0.35f},
    {18.7f, 29.5f, 6.0f, 12.5f, 0.187f, 0.35f}, {19.5f, 31.0f, 0.1f, 7.0f, 0.187f, 0.35f},
};
// On paper regions 4 to 9 sit further right.
constexpr float PAPER_REGIONS[10][6] = {
    {0.0f, 32.0f, 0.5f, 24.0f, 0.32f, 0.6f},    {0.0f, 9.0f, 15.3f, 22.8f, 0.187f, 0.35f},
    {0.0f, 9.0f, 7.7f, 15.2f, 0.187f, 0.35f},   {0.0f, 9.0f, 0.1f, 7.6f, 0.187f, 0.35f},
    {10.0f, 19.0f, 15.3f, 22.8f, 0.187f, 0.35f}, {10.0f, 19.0f, 7.7f, 15.2f, 0.187f, 0.35f},
    {10.0f, 19.0f, 0.1f, 7.6f, 0.187f, 0.35f},  {19.5f, 36.0f, 12.0f, 22.8f, 0.187f, 0.35f},
    {19.7f, 30.5f, 6.0f, 12.5f, 0.187f, 0.35f}, {20.5f, 32.0f, 0.1f, 7.0f, 0.187f, 0.35f},
};
// PostScript units per graph unit.
constexpr float PAPER_SCALE = 115.2f;

void set_region(const float (&r)[6]) {
  tekt.PXMIN = r[0];
  tekt.PXMAX = r[1];
  tekt.PYMIN = r[2];
  tekt.PYMAX = r[3];
  tekt.CHARW = r[4];
  tekt.CHARH = r[5];
}

// Work arrays of the frames: the two-curve abscissae (the sample positions
// twice) and ordinates (measured, then computed), and a projection.
float spl2[2 * MAXK];
float aux[2 * MAXK];
float work[MAXG];

// The emittance legend; columns 11 to 16 receive EMIT86.
FString<30> emitex;

std::string_view title_text() { return std::string_view(trol.TITLE.c, std::size_t(title_length())); }

// The emittance curve: emittance against the share outside on a log axis.
void emittance_plot(const Sheet& s, int mode, int notitl, int notime) {
  const int n = ps.NCL - 1;
  const int mx = title_length();
  tplot(s.twin, ps.EMIT.data(), ps.FOUT.data(), n, mode, -1.0f, -1.0f, "* Pi (mmmrad)", 14,
        "100-%", 5, title_text(), mx, 1, 2, 0, 2, 1, 1, 1.0f, 0, 0, 0, 0, notitl, notime);
}

// The contour plot of the density on the grid, zoomed onto the central
// columns when the density is confined to them.
void contour_plot(const Sheet& s, int ncont, int nylab, int notitl, int region) {
  const float wx = tran.XGRID(tran.NX) - tran.XGRID(1);
  const float wy = tran.YGRID(tran.NY) - tran.YGRID(1);
  modxscal(tran.XGRID, tran.NX, tran.NY, tran.RHO);
  if (s.colour_3_before_contour) s.twin.pen.colour(3);
  if (region >= 0) s.region(region);
  const int nx = -tran.NX, ny = -tran.NY, ld = MAXG;
  const int mx = title_length();
  tcontr(s.twin, tran.XGRID.data(), nx, tran.YGRID.data(), ny, tran.RHO.data(), ld, ld, ncont,
         0.0f, 1.0f, 0.1f, blank.YWRK.data(), wx, wy, "S (cm)", 6, "T (r) ", nylab, title_text(),
         mx, 1.0f, 0, 0, 0, 0, notitl, notitl);
  resxscal(tran.XGRID, tran.NX, tran.NY, tran.RHO);
}

// The 3-D view of the density, stretched when it is confined.
void surface_plot(const Sheet& s, int kflip, int noframe) {
  s.twin.pen.colour(s.marker_colour);
  modxscal2(tran.XGRID, tran.NX, tran.NY, tran.RHO);
  const int ld = MAXG;
  tiso3d(s.twin, tran.RHO.data(), ld, tran.NX, tran.NY, kflip, blank.YWRK.data(), title_text(),
         title_length(), noframe, noframe);
  resxscal2(tran.XGRID, tran.NX, tran.NY, tran.RHO);
}

// A framed plot of one curve against the whole run's title.
void projection_plot(const Sheet& s, const float* x, std::string_view xlab, int nxlab) {
  s.twin.pen.colour(1);
  tplot(s.twin, x, work, expd.NK, 1, -1.0f, -1.0f, xlab, nxlab, "Proj", 4, title_text(),
        title_length(), 1, 1, 0, 0, 1, 1, 1.0f, 0, 0, 0, 0, 0, 0);
  if (s.colour_3_after) s.twin.pen.colour(3);
}

}  // namespace

const Sheet& screen_sheet() {
  static const Sheet s = {screen_twin(), frame, 5, true, false, false,
                          false, false, false, 29.2f, 29.0f, true};
  return s;
}

const Sheet& paper_sheet() {
  static const Sheet s = {paper_twin(), frameps, 4, false, true, true,
                          true, true, true, 30.5f, 30.0f, false};
  return s;
}

Sheet sheet_with(const Sheet& s, const Twin& t) {
  return {t,
          s.region,
          s.marker_colour,
          s.colour_3_after,
          s.colour_3_before_contour,
          s.padded_titles,
          s.fixed_overview_code,
          s.emittance_overdrawn,
          s.legend_colour_3,
          s.legend_x,
          s.stamp_x,
          s.stamp_in_region_0};
}

void frame(const int& n) {
  if (n >= 0 && n <= 9) set_region(SCREEN_REGIONS[n]);
}

void frameps(const int& n) {
  if (n >= 0 && n <= 9) set_region(PAPER_REGIONS[n]);
  tekt.DEVX = PAPER_SCALE;
  tekt.DEVY = PAPER_SCALE;
}

void frameold() { tekt = TEKT_SCREEN; }

int title_length() { return trol.TITLE.len_trim(); }

void number_title(char* title, int l) {
  rec::write_formatted(rec::Internal(title + 3, 2), "(I2)", {l}, rec::ERR);
}

void frames_setup() {
  for (int k = 1; k <= expd.NK && k <= MAXK; ++k) {
    blank.XWRK(k) = expd.STEP * float(k - 1);
    spl2[k - 1] = spl2[expd.NK + k - 1] = blank.XWRK(k);
  }
}

void draw_profile(const Sheet& s, int l, std::string_view title, std::string_view xlab,
                  std::string_view ylab, int nylab, int notime) {
  const int nk = expd.NK, n2 = 2 * nk;
  for (int k = 1; k <= nk; ++k) {
    aux[k - 1] = expd.PR(k, l);
    aux[nk + k - 1] = blank.PCAL(k, l);
  }
  Pen& pen = s.twin.pen;
  pen.colour(3);
  tplot(s.twin, spl2, aux, n2, 1, -1.0f, -1.0f, xlab, 6, ylab, nylab, title, 5, 1, 1, -1, 0, 1, 1,
        1.0f, 0, 0, 0, 0, 0, notime);
  pen.colour(s.marker_colour);
  tplot(s.twin, blank.XWRK.data(), &expd.PR(1, l), nk, 0, -1.0f, -1.0f, xlab, 6, ylab, nylab,
        title, 5, 1, 1, -1, 8, 1, 1, 1.0f, 0, 0, 0, 0, 0, notime);
  pen.colour(1);
  tplot(s.twin, blank.XWRK.data(), &blank.PCAL(1, l), nk, 0, -1.0f, -1.0f, xlab, 6, ylab, nylab,
        title, 5, 1, 1, 0, 0, 1, 1, 1.0f, 0, 0, 0, 0, 0, notime);
  if (s.colour_3_after) pen.colour(3);
}

void draw_hfactors(const Sheet& s, int l, std::string_view title) {
  s.twin.pen.colour(1);
  tplot(s.twin, blank.XWRK.data(), &stor.HFAC(1, l), expd.NK, 1, -1.0f, -1.0f, "S (cm)", 6,
        "HFAC  ", 6, title, int(title.size()), 1, 1, -1, 4, 1, 1, 1.0f, 0, 0, 0, 0, 0, 0);
}

void draw_contour(const Sheet& s, int ncont) { contour_plot(s, ncont, 5, 0, -1); }

void draw_emittance(const Sheet& s) {
  s.twin.pen.colour(2);
  emittance_plot(s, 1, 0, 0);
  if (s.colour_3_after) s.twin.pen.colour(3);
}

void draw_surface(const Sheet& s, int kflip) {
  surface_plot(s, kflip, 0);
  if (s.colour_3_after) s.twin.pen.colour(3);
}

void draw_x_projection(const Sheet& s) {
  const float dy = tran.YGRID(2) - tran.YGRID(1);
  for (int j = 1; j <= MAXG; ++j) {
    float sum = 0.0f;
    for (int i = 1; i <= MAXG; ++i) sum = sum + tran.RHO(j, i);
    work[j - 1] = sum * dy;
  }
  projection_plot(s, tran.XGRID.data(), "X (cm)", 6);
}

void draw_t_projection(const Sheet& s) {
  float ymax = 0.0f;
  for (int j = 1; j <= MAXG; ++j) {
    float sum = 0.0f;
    for (int i = 1; i <= MAXG; ++i) sum = sum + tran.RHO(i, j);
    work[j - 1] = sum;
    if (sum > ymax) ymax = sum;
  }
  // Peak normalised to 1; a density without a positive peak (zero
  // everywhere) is shown as it is.
  if (ymax > 0.0f)
    for (int j = 1; j <= MAXG; ++j) work[j - 1] = work[j - 1] / ymax;
  projection_plot(s, tran.YGRID.data(), "T (r)", 5);
}

void draw_overview(const Sheet& s, int ncdef) {
  Pen& pen = s.twin.pen;
  pen.text(3.0f * tekt.DEVX, 23.0f * tekt.DEVY, trol.TITLE.c, title_length(), 2);

  // The profiles: up to six, the y title "P" on the left column, the x
  // title under the bottom of the left column and under the last plot.
  const int n6 = expd.NL < 6 ? expd.NL : 6;
  for (int l = 1; l <= n6; ++l) {
    s.region(l);
    FString<11> tit1, tit2;
    tit1 = (l == 3 || l == n6) ? "S (cm)" : " ";
    tit2 = l < 4 ? "P" : " ";
    FString<11> ltit;
    ltit = "L =";
    number_title(ltit.c, l);
    const std::string_view x = s.padded_titles ? tit1.view() : tit1.trimmed();
    const std::string_view y = s.padded_titles ? tit2.view() : tit2.trimmed();
    draw_profile(s, l, ltit.view().substr(0, 5), x.empty() ? " " : x, y.empty() ? " " : y, 1, 1);
  }

  const int ncont = s.fixed_overview_code ? -110 : ncdef;
  contour_plot(s, ncont, 6, 1, 7);

  s.region(8);
  if (s.emittance_overdrawn) {
    pen.colour(3);
    emittance_plot(s, 1, 1, 1);
    pen.colour(2);
    emittance_plot(s, 0, 1, 1);
  } else {
    pen.colour(2);
    emittance_plot(s, 1, 1, 1);
  }

  // The legend: "Emit(86%)=", the value and " Pi", "mmmrad".
  if (s.legend_colour_3) pen.colour(3);
  emitex = "Emit(86%)=110.00 Pi mmmrad";
  rec::write_formatted(rec::Internal(emitex.c + 10, 6), "(F6.2)", {ps.EMIT86}, rec::ERR);
  char temp[10];
  mytrim(emitex.c + 10, temp, 9);
  const float x = s.legend_x * tekt.DEVX;
  pen.text(x, 9.5f * tekt.DEVY, emitex.c, 10, 2);
  pen.text(x, 9.0f * tekt.DEVY, temp, 9, 2);
  pen.text(x, 8.5f * tekt.DEVY, emitex.c + 20, 6, 2);

  s.region(9);
  surface_plot(s, 0, 1);

  if (s.stamp_in_region_0) s.region(0);
  pen.colour(1);
  timds(s.twin, s.stamp_x, 0.1f);
}
