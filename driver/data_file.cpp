// KALOIN.DAT: title, geometry, the profiles with their transfer matrices and
// the iteration controls, in fixed columns.  Every record is read with
// declared handling and the line number is tracked, so a short or damaged
// file ends the run with a message that says where it went wrong instead of
// a stop deep in the record layer.
#include "driver/data_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "records/fail.h"
#include "state/run_state.h"
#include "records/text_records.h"

namespace {

// Line of KALOIN.DAT that the next read takes.
int LINE = 0;
// The file being read: KALOIN.DAT, or the file a batch run names.
const char* PATH = DATA_FILE;
// Whether the run's data were read from KALOIN.DAT.
bool FROM_FILE = false;

constexpr const char* GEOMETRY = "XSHIF, SWID, YSHIF, TWID (4F10.3) and NL (I6)";
constexpr const char* CONTROLS =
    "ICEN, MITER (2I5) and PREC, QTOL, XPAR, RELMAX, RELFAC, TH (6F10.3)";

// Ends the run: what was expected on `line` and what was found.
[[noreturn]] void refuse_at(int line, const char* expected, const char* found) {
  char text[320];
  std::snprintf(text, sizeof text, "%s, line %d: expected %s, found %s", PATH, line,
                expected, found);
  fatal(text);
}

// The same for the line being read.
[[noreturn]] void refuse(const char* expected, const char* found) {
  refuse_at(LINE, expected, found);
}

// What the line of profile l's matrix (k = 0) or of its sample k holds.
void expected_of(int l, int k, char* what, int cap) {
  if (k == 0) {
    std::snprintf(what, std::size_t(cap), "R11, R12, R21, R22 of profile %d (4F10.3)", l);
    return;
  }
  int first = (k - 1) / 10 * 10 + 1;
  int last = first + 9 < MAXK ? first + 9 : MAXK;
  if (first == last)
    std::snprintf(what, std::size_t(cap), "sample %d of profile %d (F7.0)", first, l);
  else
    std::snprintf(what, std::size_t(cap), "samples %d to %d of profile %d (10F7.0)", first,
                  last, l);
}

// Line of profile l's matrix (k = 0) or of its sample k: title, geometry,
// then seven lines per profile.
int line_of(int l, int k) { return 3 + 7 * (l - 1) + (k == 0 ? 0 : 1 + (k - 1) / 10); }

// Reads the next line of KALOIN.DAT with `format`; a conversion error, the
// end of the file, a line that cannot be read or has no end, or a number
// that is not finite ("inf" and "nan" convert) ends the run with a message
// naming the line.
void read_line(const char* format, rec::Items items, const char* expected) {
  ++LINE;
  int status = rec::read_formatted(DATA_UNIT, format, items, rec::ERR_END);
  if (status < 0) refuse(expected, "the end of the file");
  if (status == rec::RECORD_TOO_LONG) {
    char found[80];
    std::snprintf(found, sizeof found, "a line longer than %d characters", rec::MAX_RECORD);
    refuse(expected, found);
  }
  if (status == rec::READ_FAILED) {
    char found[160];
    std::snprintf(found, sizeof found, "a line that cannot be read (%s)",
                  std::strerror(rec::system_error()));
    refuse(expected, found);
  }
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

// Ends the run when a control value read from the last line is negative.
void check_not_negative(float value, const char* name) {
  if (!(value < 0.0f)) return;
  char found[80];
  std::snprintf(found, sizeof found, "a negative %s (%g)", name, double(value));
  refuse(CONTROLS, found);
}

// Ends the run when a grid's steps are lost in single precision: far from
// 0 its shift leaves too few digits for them (an XSHIF of 1E7 rounds steps
// of 0.034 away).  A step may be off by 1 %, far more than rounding near 0
// gives, but each must be there.
void check_steps(const FArray<float, MAXG>& grid, float step, const char* name, float shift) {
  for (int i = 2; i <= MAXG; ++i)
    if (!(std::fabs(grid(i) - grid(i - 1) - step) <= 0.01f * step)) {
      char found[160];
      std::snprintf(found, sizeof found,
                    "a shift %s of %g, so far from 0 that the grid's steps of %g are lost in "
                    "single precision",
                    name, double(shift), double(step));
      refuse_at(2, GEOMETRY, found);
    }
}

}  // namespace

bool data_from_file() { return FROM_FILE; }

void refuse_data(int l, int k, const char* found) {
  if (k < 0) refuse_at(2, GEOMETRY, found);
  char what[80];
  expected_of(l, k, what, sizeof what);
  refuse_at(line_of(l, k), what, found);
}

void readp() { readp_from(DATA_FILE); }

void readp_from(const char* path) {
  PATH = path;
  expd.NK = 51;
  expd.LREF = 1;

  FROM_FILE = false;
  // A missing file ends the run with the documented line, then the file's
  // name and the system's reason; a file that is there but cannot be opened
  // (a folder, no permission) with the system's reason.  Either way the run
  // failed, and the status says so.
  if (rec::open(DATA_UNIT, PATH, rec::Status::OLD, rec::Access::SEQUENTIAL, rec::ERR) != 0) {
    if (rec::system_error() == ENOENT) {
      rec::write_list(6, {"Sorry, file not existing"});
      char text[160];
      std::snprintf(text, sizeof text, "%s: %s", PATH, std::strerror(ENOENT));
      fatal(text);
    }
    char text[160];
    std::snprintf(text, sizeof text, "Sorry, %s cannot be opened: %s", PATH,
                  std::strerror(rec::system_error()));
    fatal(text);
  }
  LINE = 0;

  read_line(FMT_DATA_TITLE, {trol.TITLE}, "the title");

  float XSHIF = 0, SWID = 0;
  int NL = 0;
  read_line(FMT_DATA_GEOMETRY, {XSHIF, SWID, tywid.YSHIF, tywid.TWID, NL}, GEOMETRY);
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
    char what[80];
    expected_of(l, 0, what, sizeof what);
    read_line(FMT_DATA_MATRIX,
              {stor.RMAT(1, 1, l), stor.RMAT(1, 2, l), stor.RMAT(2, 1, l), stor.RMAT(2, 2, l)},
              what);
    // R12 and R21 go from metres to centimetres below; a value too large
    // for that would leave an infinite matrix.
    if (!std::isfinite(stor.RMAT(1, 2, l) * 100.0f) || !std::isfinite(stor.RMAT(2, 1, l) * 0.01f))
      refuse(what, "an R12 or R21 too large to convert to centimetres");
    // Five lines of ten samples and one of one.
    for (int first = 1; first <= expd.NK; first += 10) {
      int count = expd.NK - first + 1 < 10 ? expd.NK - first + 1 : 10;
      expected_of(l, first, what, sizeof what);
      read_line(FMT_DATA_SAMPLES, {rec::Item::reals(&expd.PR(first, l), count)}, what);
    }
  }

  read_line(FMT_DATA_CONTROLS,
            {trol.ICEN, trol.MITER, trol.PREC, trol.QTOL, trol.XPAR, trol.RELMAX, trol.RELFAC,
             trol.TH},
            CONTROLS);
  // A negative band half-width turns the band inside out and makes the
  // factors negative; a negative precision can never be met.
  check_not_negative(trol.PREC, "PREC");
  check_not_negative(trol.QTOL, "QTOL");
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

  // The window: a width too small for a sample spacing (an infinite RSTEP)
  // or a shift that takes the grid beyond the largest real.
  bool finite = std::isfinite(expd.RSTEP) && expd.STEP > 0.0f;
  for (int i = 1; i <= MAXG; ++i)
    finite = finite && std::isfinite(tran.XGRID(i)) && std::isfinite(tran.YGRID(i));
  if (!finite) refuse_at(2, GEOMETRY, "a window whose grid is not finite");
  check_steps(tran.XGRID, DX, "XSHIF", XSHIF);
  check_steps(tran.YGRID, DY, "YSHIF", tywid.YSHIF);
  FROM_FILE = true;
}
