// The PostScript page writer (see ps.h).
#include "device/ps/ps.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "device/ps/paper_pen.h"
#include "device/paper_colours.h"
#include "state/run_state.h"
#include "records/text_records.h"

PaperPen paper_pen;

namespace {

constexpr int PSUNIT = 25;

// Lines 1 to 10 of every page set-up (written with one leading blank).
constexpr std::string_view PROLOGUE[] = {
    "/m {moveto} def",
    "/d {lineto} def",
    "/s {show} def",
    "/w {setlinewidth} def",
    "/st {stroke} def",
    "/c {setrgbcolor} def",
    "newpath 1 setlinecap 1 setlinejoin",
    "90 rotate",
    "0 -533 translate",
    "19 -23 translate",
};

char fname[PS_NAME_MAX + 1];  // the file name with a NUL behind it
bool is_open = false;         // unit 25 holds a file being written
bool has_point = false;       // the path has a current point to draw from
// Translation of every page after the first of a file.
constexpr float xoff = 0.0f;
constexpr float yoff = 0.0f;

// One line on the terminal.
void say(const char* text) { rec::write_list(6, {std::string_view(text)}); }

void page_setup(const float& tx, const float& ty) {
  for (std::string_view line : PROLOGUE) rec::write_list(PSUNIT, {line});
  rec::write_formatted(PSUNIT, "(2F6.1,' translate')", {tx, ty});
}

// A coordinate in points as "(F7.2,F7.2" can write it as two numbers: x may
// fill its 7 columns, y must leave the blank that separates it from x.  A
// value outside (asterisks or a glued token, which the interpreter rejects)
// is pulled to the nearest one that fits; a NaN becomes 0.  Such points lie
// far off the page.
float fit(float v, float lo, float hi) {
  if (std::isnan(v)) return 0.0f;
  return v < lo ? lo : v > hi ? hi : v;
}
float fit_x(float v) { return fit(v, -999.99f, 9999.99f); }
float fit_y(float v) { return fit(v, -99.99f, 999.99f); }

// psmov and psdrw: the point line, or on a failed write the values on the
// terminal.  A draw with no current point (at the start of a page or after a
// stroke, which ends the path) starts the path there instead, as the screen
// starts a new polyline; "d" there would abort the whole print job.
void put_point(const float& x, const float& y, bool draw) {
  if (!is_open) return;
  const float px = fit_x(coltag.PSXS * x);
  const float py = fit_y(coltag.PSYS * y);
  const std::string_view format =
      draw && has_point ? "(F7.2,F7.2,' d')" : "(F7.2,F7.2,' m')";
  if (rec::write_formatted(PSUNIT, format, {px, py}, rec::ERR) != 0)
    rec::write_list(6, {coltag.PSXS, x, coltag.PSYS, y});
  has_point = true;
}

// Writes a line that ends in a stroke, after which there is no current point.
void put_stroke(std::string_view format, rec::Items items) {
  rec::write_formatted(PSUNIT, format, items);
  has_point = false;
}

// Creates the file with its header line (emptied if it exists).
bool inips() {
  std::FILE* f = std::fopen(fname, "w");
  if (!f) return false;
  const bool ok = std::fputs("%!PS-Adobe-3.0\n", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int ps_escape(const char* text, int len, char* out, int cap) {
  // One pass pairs the parentheses: a ')' closes the latest open '(' before
  // it; whatever stays unpaired is escaped, as is every backslash.
  if (len > PS_TEXT_MAX) len = PS_TEXT_MAX;
  bool esc[PS_TEXT_MAX];
  int open[PS_TEXT_MAX];
  int depth = 0;
  for (int i = 0; i < len; ++i) {
    esc[i] = text[i] == '\\' || text[i] == '(';
    if (text[i] == '(') open[depth++] = i;
    if (text[i] == ')') {
      esc[i] = depth == 0;
      if (depth > 0) esc[open[--depth]] = false;
    }
  }
  int n = 0;
  for (int i = 0; i < len; ++i) {
    if (n + (esc[i] ? 2 : 1) > cap) break;
    if (esc[i]) out[n++] = '\\';
    out[n++] = text[i];
  }
  return n;
}

void psopen(std::string_view name) {
  if (is_open) pscls();
  std::size_t n = name.size();
  while (n > 0 && (name[n - 1] == ' ' || name[n - 1] == '\0')) --n;
  char msg[160];
  if (n == 0 || name.substr(0, n).find('\0') != std::string_view::npos) {
    say("PostScript file name is blank or holds a NUL; no pages are written.");
    return;
  }
  if (n > std::size_t(PS_NAME_MAX)) {
    std::snprintf(msg, sizeof msg,
                  "PostScript file name %.*s is longer than %d characters; "
                  "no pages are written.",
                  int(n < 60 ? n : 60), name.data(), PS_NAME_MAX);
    say(msg);
    return;
  }
  std::memcpy(fname, name.data(), n);
  fname[n] = '\0';
  errno = 0;
  if (!inips() ||
      rec::open(PSUNIT, fname, rec::Status::UNKNOWN, rec::Access::APPEND, rec::ERR) != 0) {
    std::snprintf(msg, sizeof msg, "Cannot create %s (%s); no pages are written.", fname,
                  errno ? std::strerror(errno) : "open failed");
    say(msg);
    return;
  }
  // The file is handed to the print command only once closed: its
  // thousands of pen lines need not each go to the file at once.
  rec::write_through(PSUNIT, false);
  is_open = true;
  has_point = false;
  page_setup(coltag.PSXT, coltag.PSYT);
}

void psopen(const char* name, int len) {
  psopen(std::string_view(name, len > 0 ? std::size_t(len) : 0));
}

void psmov(const float& x, const float& y) { put_point(x, y, false); }

void psdrw(const float& x, const float& y) { put_point(x, y, true); }

void pstext(const float& x, const float& y, const char* text, int len) {
  if (!is_open) return;
  if (len > PS_TEXT_MAX) len = PS_TEXT_MAX;
  char buf[2 * PS_TEXT_MAX];
  const int n = len > 0 ? ps_escape(text, len, buf, int(sizeof buf)) : 0;
  const float px = fit_x(coltag.PSXS * x);
  const float py = fit_y(coltag.PSYS * y);
  put_stroke("(F7.2,F7.2,' m (',A,') s st')", {px, py, rec::Item::chars(buf, n)});
}

void pstxts(const float& size) {
  if (!is_open) return;
  rec::write_formatted(PSUNIT, "(' /Courier findfont',F5.1,' scalefont setfont')", {size});
}

void pslinw(const float& w) {
  if (!is_open) return;
  put_stroke("(' st',F5.2,' w st')", {w});
}

void pslinex(const int& s) {
  const float w = s == 1 ? 0.1f : 0.5f;
  pslinw(w);
}

void pssetcol(const int& i) {
  if (!is_open || coltag.ICOL == 0) return;
  if (i < 0 || i > 7) {
    char msg[64];
    std::snprintf(msg, sizeof msg, "Color index %d out of range", i);
    say(msg);
    return;
  }
  put_stroke("(' st',3F4.1,' c st')", {PAPER_RGB[i][0], PAPER_RGB[i][1], PAPER_RGB[i][2]});
}

void psflush() {
  if (!is_open) return;
  rec::write_list(PSUNIT, {"st"});
  has_point = false;
}

void psnewpage() {
  if (!is_open) return;
  rec::write_list(PSUNIT, {"showpage"});
  has_point = false;
  page_setup(xoff, yoff);
}

void pscls() {
  if (!is_open) return;
  rec::write_list(PSUNIT, {"st showpage"});
  rec::close(PSUNIT);
  is_open = false;
}
