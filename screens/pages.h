// Pages without a display: the hardcopy pages of chosen result frames
// written into the working folder as KALO.PS, one PDF, or one SVG or PNG
// file per page.  Every page is the page splotps draws, through the same
// frame code; PDF, SVG and PNG go through the cairo pen.
#pragma once

struct Pen;

enum class PageFormat { ps, pdf, svg, png };

// The PDF that holds all pages.
constexpr const char* PAGES_PDF = "pages.pdf";

// Writes the pages of the frames in `frames` (bit n set: frame n, n = 1..8;
// other bits are ignored) into the current working folder in `format`:
//  - ps: KALO.PS exactly as the dialogue writes it (psopen, splotps, pscls);
//  - pdf: PAGES_PDF holding every page;
//  - svg, png: one file per page, named by frame and projection:
//    frame1-L03.svg, frame3-contour.png, frame3-emittance.png, frame8.png;
//    a PNG has dpi dots per inch (CAIRO_DPI_MIN..CAIRO_DPI_MAX).
// Frames 1 and 2 give one page per projection; frame 3 gives the contour
// map with the overview page's code -110 and the emittance curve.  Pages
// are in colour when coltag.ICOL is not 0.  Needs a reconstruction (RHO,
// PCAL, HFAC filled); sets the paper scale of coltag as the screens do.
// Returns true on success, also when no page is asked for (then nothing is
// written); false with a one-line message naming the file and the reason in
// why.  Every file is written under a temporary name and renamed when it is
// complete, so none is left half-written.
bool write_pages(PageFormat format, unsigned frames, int dpi, char* why, int why_len);

// Every pen operation of the following PDF, SVG and PNG pages is also handed
// to tap (nullptr: none); for tests, which compare it with KALO.PS pages.
void watch_pages(Pen* tap);
