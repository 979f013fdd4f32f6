// KALOIN.DAT: title, geometry, the profiles with their transfer matrices and
// the iteration controls, in fixed columns.  Every record is read with
// declared handling and the line number is tracked, so a short or damaged
// file ends the run with a message that says where it went wrong instead of
// a stop deep in the record layer.
#include "driver/data_file.h"

#include <cmath>
#include <cstdio>

#include "driver/fail.h"
#include "driver/run_state.h"
#include "driver/text_records.h"

namespace {

// Line of KALOIN.DAT that the next read takes.
int LINE = 0;

// Ends the run: what was expected on the current line and what was found.
[[noreturn]] void refuse(const char* expected, const char* found) {
  char text[240];
  std::snprintf(text, sizeof text, "%s, line %d: expected %s, found %s", DATA_FILE, LINE,
                expected, found);
  fatal(text);
}

// Reads the next line of KALOIN.DAT with `format`; a conversion error, the
// end of the file or a number that is not finite ("inf" and "nan" convert)
// ends the run with a message naming the line.
void read_line(const char* format, rec::Items items, const char* expected) {
  ++LINE;
  int status = rec::read_formatted(DATA_UNIT, format, items, rec::ERR_END);
  if (status < 0) refuse(expected, "the end of the file");
  if (status > 0) refuse(expected, "a field that does not convert");
  for (const rec::Item& item : items)
    for (int i = 0; item.kind == rec::Item::REAL && i < item.count; ++i)
      if (!std::isfinite(static_cast<const float*>(item.p)[i]))
        refuse(expected, "a number that is not finite");
}

// Ends the run unless `width`, read from the geometry line, is a usable
// window width.
void check_width(float width, const char* expected) {
  if (width > 0.0f) return;
  char found[40];
  std::snprintf(found, sizeof found, "%g", double(width));
  refuse(expected, found);
}

}  // namespace

void readp() {
  expd.NK = 51;
  expd.LREF = 1;

  if (rec::open(DATA_UNIT, DATA_FILE, rec::Status::OLD, rec::Access::SEQUENTIAL, rec::ERR) != 0) {
    rec::write_list(6, {"Sorry, file not existing"});
    rec::stop(0);
  }
  LINE = 0;

  read_line(FMT_DATA_TITLE, {trol.TITLE}, "the title");

  float XSHIF = 0, SWID = 0;
  int NL = 0;
  read_line(FMT_DATA_GEOMETRY, {XSHIF, SWID, tywid.YSHIF, tywid.TWID, NL},
            "XSHIF, SWID, YSHIF, TWID (4F10.3) and NL (I6)");
  // The arrays hold 20 profiles: a count outside 1..20 is refused before
  // anything is read into them.
  if (NL < 1 || NL > MAXL) {
    char found[40];
    std::snprintf(found, sizeof found, "%d", NL);
    refuse("a number of profiles NL (columns 41-46) from 1 to 20", found);
  }
  // A zero or negative width would give a zero sample spacing (and an
  // infinite RSTEP) or an empty t window.
  check_width(SWID, "a positive profile window width SWID (columns 11-20)");
  check_width(tywid.TWID, "a positive t window width TWID (columns 31-40)");
  expd.NL = NL;

  for (int l = 1; l <= NL; ++l) {
    char what[120];
    std::snprintf(what, sizeof what, "R11, R12, R21, R22 of profile %d (4F10.3)", l);
    read_line(FMT_DATA_MATRIX,
              {stor.RMAT(1, 1, l), stor.RMAT(1, 2, l), stor.RMAT(2, 1, l), stor.RMAT(2, 2, l)},
              what);
    // Five lines of ten samples and one of one.
    for (int first = 1; first <= expd.NK; first += 10) {
      int count = expd.NK - first + 1 < 10 ? expd.NK - first + 1 : 10;
      if (count == 1)
        std::snprintf(what, sizeof what, "sample %d of profile %d (F7.0)", first, l);
      else
        std::snprintf(what, sizeof what, "samples %d to %d of profile %d (10F7.0)", first,
                      first + count - 1, l);
      read_line(FMT_DATA_SAMPLES, {rec::Item::reals(&expd.PR(first, l), count)}, what);
    }
  }

  read_line(FMT_DATA_CONTROLS,
            {trol.ICEN, trol.MITER, trol.PREC, trol.QTOL, trol.XPAR, trol.RELMAX, trol.RELFAC,
             trol.TH},
            "ICEN, MITER (2I5) and PREC, QTOL, XPAR, RELMAX, RELFAC, TH (6F10.3)");
  rec::close(DATA_UNIT);

  stor.SLIM = SWID * 0.5f;
  stor.TLIM = tywid.TWID * 0.5f;
  expd.STEP = (stor.SLIM + stor.SLIM) / float(expd.NK - 1);
  expd.RSTEP = 1.0f / expd.STEP;

  // The file gives positions in metres; the run state works in centimetres.
  for (int l = 1; l <= NL; ++l) {
    expd.SMID(l) = stor.SLIM;
    stor.RMAT(1, 2, l) = stor.RMAT(1, 2, l) * 100.0f;
    stor.RMAT(2, 1, l) = stor.RMAT(2, 1, l) * 0.01f;
  }

  tran.NX = MAXG;
  tran.NY = MAXG;
  float DX = (stor.SLIM + stor.SLIM) / float(tran.NX - 1);
  for (int i = 1; i <= tran.NX; ++i) tran.XGRID(i) = float(i - 1) * DX - stor.SLIM + XSHIF;
  float DY = (stor.TLIM + stor.TLIM) / float(tran.NY - 1);
  for (int j = 1; j <= tran.NY; ++j) tran.YGRID(j) = float(j - 1) * DY - stor.TLIM + tywid.YSHIF;
}
