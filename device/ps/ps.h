// The PostScript page writer: the paper twin of the screen device.
//
// It writes the file KALO.PS through record unit 25, one text line per pen
// operation.  Device coordinates are multiplied by coltag.PSXS / PSYS
// (0.2) and written in points; pages are landscape, 32 x 24 graph units of
// 115.2 device units each (737.28 x 552.96 points).  Nothing is painted
// until a line ending in "st" strokes the path built so far.
//
// When the file cannot be created (or its name is blank or too long) one
// message is written to the terminal and every operation does nothing until
// the next psopen.
#pragma once

#include <string_view>

// Longest file name psopen accepts, trailing blanks dropped: the name is
// kept with a terminator behind it in 20 characters.
constexpr int PS_NAME_MAX = 19;
// Longest text pstext writes; longer texts are cut (a landscape page holds
// about 150 characters of 8-point Courier, so nothing visible is lost).
constexpr int PS_TEXT_MAX = 1000;

// Creates the file (emptied if it exists), writes the header line, the
// prologue and the set-up of the first page.  A file still open is ended
// first, as by pscls.
void psopen(const char* name, int len);
void psopen(std::string_view name);
// Starts a new path at (x, y): "(F7.2,F7.2,' m')".
void psmov(const float& x, const float& y);
// Extends the path to (x, y): "(F7.2,F7.2,' d')".  With no current point
// (at the start of a page, or after any line that strokes) it starts the
// path at (x, y) with ' m' instead, as the screen starts a new polyline.
void psdrw(const float& x, const float& y);
// Shows len characters of text (trailing blanks included) with its baseline
// starting at (x, y), then strokes the path.
void pstext(const float& x, const float& y, const char* text, int len);
// Selects Courier at size points.
void pstxts(const float& size);
// Strokes, sets the line width w (points), strokes again.
void pslinw(const float& w);
// Line style: 1 (dashed on the screen) is 0.1 points wide, all else 0.5.
void pslinex(const int& s);
// Colour i of the page table 0..7; only when coltag.ICOL is not 0.
void pssetcol(const int& i);
// Strokes the path built so far.
void psflush();
// Ends the page and sets up the next one.
void psnewpage();
// Strokes the rest, ends the page and closes the file.
void pscls();

// The text pstext places between the parentheses: backslashes and
// parentheses without a partner are escaped, so any text gives a valid
// string and a balanced text is written unchanged.  Writes at most cap
// characters into out and returns how many.
int ps_escape(const char* text, int len, char* out, int cap);
