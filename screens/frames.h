// The eight result frames, drawn from the run state.  Each frame is written
// once over a Sheet: the window (screen_sheet) or the page of KALO.PS being
// written (paper_sheet).  The sheet carries the graph library's twin and
// every way in which a page differs from its screen frame.
#pragma once

#include <string_view>

#include "graph/twin.h"

struct Sheet {
  Twin twin;
  // Selects page region n (0..9) into tekt: frame or frameps.
  void (*region)(const int& n);
  // Colour of the measured samples and of the 3-D views: 5 on the screen,
  // 4 on paper.
  int marker_colour;
  // The window goes back to colour 3 after each plot; a page does not.
  bool colour_3_after;
  // A page selects colour 3 itself before a contour plot (on the screen it
  // is the colour in force).
  bool colour_3_before_contour;
  // The overview's short titles (its "P" and "S (cm)") are fields of 11
  // characters on paper, written with their trailing blanks.
  bool padded_titles;
  // The overview: its contour plot always has the code -110 on paper; its
  // emittance frame is drawn in colour 3 and the curve overdrawn in colour 2
  // on paper, in colour 2 alone on the screen; the legend is written in
  // colour 3 on paper and in the curve's colour 2 on the screen, at x =
  // legend_x; the time stamp stands at x = stamp_x, on the screen after a
  // return to region 0.
  bool fixed_overview_code;
  bool emittance_overdrawn;
  bool legend_colour_3;
  float legend_x;
  float stamp_x;
  bool stamp_in_region_0;
};

const Sheet& screen_sheet();
const Sheet& paper_sheet();
// The same sheet drawing through the twin t (with a recording pen in tests).
Sheet sheet_with(const Sheet& s, const Twin& t);

// Page regions: frame copies row n of the screen table into tekt, frameps
// row n of the page table and sets the page scale of 115.2 units per graph
// unit, frameold puts back the whole window at the screen scale.
void frame(const int& n);
void frameps(const int& n);
void frameold();

// The run state's values the frames draw from, set on entry to the screens
// and to every page: XWRK(k) = (k - 1) STEP and the two-curve abscissae.
void frames_setup();
// Length of TITLE without trailing blanks (0 when all blank).
int title_length();
// Writes projection number l with "(I2)" into columns 4-5 of a projection
// title ("L = 3", "L =12").
void number_title(char* title, int l);

// Frame 1: measured profile l (crosses) on its computed projection (line).
// xlab, ylab and title as the caller's frame or overview gives them.
void draw_profile(const Sheet& s, int l, std::string_view title, std::string_view xlab,
                  std::string_view ylab, int nylab, int notime);
// Frame 2: the H-factors of projection l as squares.
void draw_hfactors(const Sheet& s, int l, std::string_view title);
// Frame 3: the contour plot with contour-count code ncont (also fills the
// emittance table of record ps), and the emittance curve.
void draw_contour(const Sheet& s, int ncont);
void draw_emittance(const Sheet& s);
// Frames 4 (kflip 1) and 5 (kflip 0): the 3-D views.
void draw_surface(const Sheet& s, int kflip);
// Frames 6 and 7: the projections onto x and onto the angle.
void draw_x_projection(const Sheet& s);
void draw_t_projection(const Sheet& s);
// Frame 8: the overview collection; ncdef is the screen's contour code.
void draw_overview(const Sheet& s, int ncdef);
