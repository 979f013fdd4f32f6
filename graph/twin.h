// Where a plot goes.  Every drawing routine of the graph library is written
// once over a Twin: the pen it draws with, and the few ways in which the
// paper copy of a plot differs from the picture in the window.  The screen
// entry points (tplot, tcontr, tiso3d, ...) pass `screen_twin()`, their
// paper twins (tplotps, tcontrps, tiso3dps, ...) `paper_twin()`; on paper
// every pen operation is one line of KALO.PS, so these fields decide
// exactly which lines a page holds.
#pragma once

#include <string_view>

#include "device/pen.h"

struct Twin {
  Pen& pen;
  // The axes flush the pending line before and after the dashed grid and
  // draw grid and labels in colour 3 (the window); on paper the grid takes
  // the current colour and nothing is flushed.
  bool grid_flush_colour;
  // The contour plot selects colour 3 before its frame (the window only).
  bool contour_frame_colour;
  // The contour legend: its header text and the column of the share
  // figures, in character widths right of the area figures.
  std::string_view legend_header;
  int legend_share_column;
  // The window writes a legend line's share before its area: a text
  // blanks out the cells behind it, and the blanks in front of a share
  // would otherwise hide the last digit of a wide area figure.
  bool legend_share_first;
  // Contour level m is drawn in colour 2 + level_colour_step * (m mod 2).
  int level_colour_step;
  // The time stamp writes its date line before the time line (window) or
  // after it (paper).
  bool date_first;
};

// The window, through the screen device.
Twin screen_twin();
// The page of KALO.PS being written, through the PostScript writer.
Twin paper_twin();
// The same differences drawn with another pen (a recording pen in tests).
Twin screen_twin(Pen& pen);
Twin paper_twin(Pen& pen);
