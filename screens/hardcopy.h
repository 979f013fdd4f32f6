// Hardcopy pages: any result frame, or the emittance curve alone, as one
// page of the PostScript file that the screen driver has opened.
#pragma once

struct Sheet;

// Frame number of the emittance-curve page.
constexpr int EMITTANCE_PAGE = 100;

// Appends a page showing frame `frame` (1..8, or EMITTANCE_PAGE); item is
// the projection for frames 1 and 2 and the contour-count code for frame 3.
// A frame or projection that does not exist makes no page.  Afterwards tekt
// holds the screen values again.
void splotps(const int& frame, const int& item);
// The body of that page: the frame drawn in the page layout over sheet s
// (the paper sheet, or its layout with another pen), after the caller has
// started the page and set its text size and called frames_setup.
void draw_page(const Sheet& s, int frame, int item);
// Whether there is a page for frame `frame` with `item` (a frame 1..8 or
// the emittance curve; a projection of the run for frames 1 and 2).
bool page_defined(int frame, int item);
// The paper scale, first-page translation and text size of every page,
// set on each visit to the screens and before pages are written in batch.
void hardcopy_settings();
// The next page is the first of a newly opened file (no page break).
void splotps_new_file();
