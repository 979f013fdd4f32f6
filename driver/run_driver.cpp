// The run driver: the terminal dialogue outside the graphics, the run log
// KALOOUT.DAT, the H-factor file writer and the run loop.
//
// Terminal input is unit 5, terminal output unit 6, the log unit 7 and the
// H-factor file unit 8.  End of input at any question ends the program with
// exit status 0 (see terminal.h); conversion errors re-ask as each question
// says.
#include "driver/run_driver.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "device/sys/clock.h"
#include "driver/data_file.h"
#include "driver/prep.h"
#include "driver/run_steps.h"
#include "state/run_state.h"
#include "driver/terminal.h"
#include "driver/test_sources.h"
#include "records/text_records.h"
#include "engine/kalo.h"
#include "screens/splot.h"

namespace {

constexpr int TERM_OUT = 6;
constexpr int LOG_UNIT = 7;

constexpr const char* LOG_FILE = "KALOOUT.DAT";
// The H-factors are written to the file's name with this ending first and
// renamed over it only once the whole file is out, so an interrupted or
// failed write never leaves a half-written HFAC.DAT behind.  Same folder,
// so the rename is atomic.  A copy left by an interrupted run is removed
// before the next store writes it afresh; no reader opens it.
constexpr const char* TEMP_ENDING = ".tmp";

constexpr const char* FMT_TEST_LIST =
    "(' Test_numbers:',/,' 1: Off-center solid cylinder',/,"
    "' 2: Off-center solid cylinder             (with noisy data)',/,"
    "' 3: Solid cylinder inside hollow cylinder',/,"
    "' 4: Solid cylinder inside hollow cylinder (with noisy data)',/,"
    "' 5: Off-center tilted asymmetric gaussian',/,"
    "' 6: Off-center tilted asymmetric gaussian (with noisy data)')";
constexpr const char* FMT_TEST_PROMPT =
    "(' Enter test_number (1:6) or RET for measured data ',$)";
constexpr const char* FMT_PRINTER_PROMPT =
    "(' Choose printer device (RET for 1):',/,"
    "' 1: Remote post script printer in black and white',/,"
    "' 2: Remote post script printer in color',/,"
    "' 3: Local printer in black and white',/,"
    "' 4: Local printer in color  ',$)";
constexpr const char* FMT_MITER_PROMPT =
    "(' Enter maximum number of iterations (D =',I2,') ',$)";
constexpr const char* FMT_TITLE = "(/,1X,A80)";
constexpr const char* FMT_WINDOW =
    "(/,' SLIM = ',1P,E9.2,4X,'TLIM = ',1P,E9.2,4X,'XCEN = ',1P,E9.2,4X,"
    "'YCEN = ',1P,E9.2)";
constexpr const char* FMT_SCEN = "(1X,'SCEN: ',1P,10E9.2)";
constexpr const char* FMT_SREF = "(1X,'SREF: ',1P,10E9.2)";
constexpr const char* FMT_CONTROLS =
    "(/,1X,'MITER = ',I5,5X,'PREC = ',F10.3,5X,'QTOL = ',F10.3)";
constexpr const char* FMT_RESULT =
    "(' ICON  = ',I5,5X,'QAVD = ',E10.3,5X,'Time = ',F10.3,/)";
constexpr const char* FMT_NO_FIT =
    "(' No fit: the computed projections could not be compared with the measured',"
    "' profiles; the H-factors are as before.')";
constexpr const char* FMT_STALLED =
    "(' The fit cannot improve further with these settings; a new TWID or a cut may help.')";
constexpr const char* FMT_STORE_PROMPT =
    "(' Do you want to store HFAC for a next run ? [Y/N] (Def=N) ',$)";
constexpr const char* FMT_CONTINUE_PROMPT =
    "(' Do you want to continue the iteration ? [Y/N] (Def=Y) ',$)";
constexpr const char* FMT_TWID_PROMPT = "(' Enter new TWID (D =',F6.3,' rad) ',$)";

// Whether HFAC holds exactly the factors of `factors`.
bool same_factors(const FArray<float, MAXK, MAXL>& factors) {
  return std::memcmp(stor.HFAC.data(), factors.data(), sizeof factors.v) == 0;
}

// Test number: 0 (or RET) for measured data, 1..6 for a test source.  Any
// other number is asked for again, since setp knows no density for it.
void ask_test_number() {
  while (!ask(FMT_TEST_PROMPT, {}, "(I2)", trol.NTEST) || trol.NTEST < 0 || trol.NTEST > 6) {
  }
}

// Printer choice 1..4 (0 or RET is 1) and the iteration limit; a bad
// iteration limit asks for the printer again.
void ask_printer_and_limit() {
  for (;;) {
    if (!ask(FMT_PRINTER_PROMPT, {}, "(I2)", coltag.IPRINT)) continue;
    if (coltag.IPRINT == 0) coltag.IPRINT = 1;
    if (coltag.IPRINT < 1 || coltag.IPRINT > 4) continue;
    coltag.ICOL = (coltag.IPRINT == 2 || coltag.IPRINT == 4) ? 1 : 0;

    int NEWIT = 0;
    if (!ask(FMT_MITER_PROMPT, {trol.MITER}, "(I2)", NEWIT)) continue;
    if (NEWIT != 0) trol.MITER = NEWIT;
    return;
  }
}

// The SLIM/TLIM/XCEN/YCEN line of the log.
void log_window() {
  rec::write_formatted(LOG_UNIT, FMT_WINDOW, {stor.SLIM, stor.TLIM, stor.XCEN, stor.YCEN});
}

}  // namespace

void open_log() {
  rec::open(LOG_UNIT, LOG_FILE, rec::Status::UNKNOWN);
  rec::rewind(LOG_UNIT);
  rec::write_formatted(LOG_UNIT, FMT_TITLE, {trol.TITLE});
  log_window();
  rec::write_formatted(LOG_UNIT, FMT_SCEN, {rec::Item::reals(stor.SCEN.data(), expd.NL)});
  rec::write_formatted(LOG_UNIT, FMT_SREF, {rec::Item::reals(stor.SREF.data(), expd.NL)});
  rec::write_formatted(LOG_UNIT, "(1H )", {});
}

namespace {

// The file a store replaces: HFAC.DAT, or the file its symbolic link
// leads to (through any chain of links), so that the link stays a link and
// its target gets the factors.  Empty when the links go round in a circle.
std::string store_target() {
  std::string path = HFAC_FILE;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat sb;
    if (::lstat(path.c_str(), &sb) != 0 || !S_ISLNK(sb.st_mode)) return path;
    std::string link(std::size_t(sb.st_size > 0 ? sb.st_size : 255) + 1, '\0');
    ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n < 0 || std::size_t(n) >= link.size()) return path;
    link.resize(std::size_t(n));
    std::size_t slash = path.rfind('/');
    path = link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
  }
  errno = ELOOP;
  return "";
}

}  // namespace

// Writes the H-factor file: the header with NL and TITLE, then the factors
// of each profile in sample order.  These are the factors kalo saved at the
// start of its last iteration (whose projections gave the reported QAVD).
// When no iteration can run (MITER <= 0) nothing was ever saved, and the
// factors in use, those the density was computed from, are written instead
// of a file of zeros.  A file the user may not write is not replaced.
// Returns false when the file could not be written, with the reason in
// `why`; any earlier HFAC.DAT is then left as it was.
bool store_hfac(std::string& why) {
  FArray<float, MAXK, MAXL>& factors = trol.MITER > 0 ? conti.HSAVE : stor.HFAC;
  const std::string target = store_target();
  if (target.empty()) {
    why = std::string(HFAC_FILE) + ": " + std::strerror(errno);
    return false;
  }
  struct stat old;
  const bool exists = ::stat(target.c_str(), &old) == 0;
  // Only a plain file is replaced: a rename would put the factors in place
  // of a device or a pipe.
  if (exists && !S_ISREG(old.st_mode)) {
    why = target + ": " + (S_ISDIR(old.st_mode) ? std::strerror(EISDIR) : "not a plain file");
    return false;
  }
  if (exists && ::access(target.c_str(), W_OK) != 0) {
    why = target + ": " + std::strerror(errno);
    return false;
  }
  const std::string temp = target + TEMP_ENDING;
  std::remove(temp.c_str());  // a stale copy from an interrupted run
  // The system's reason for the first step that fails.
  int err = 0;
  auto step = [&](bool done) {
    if (!done && err == 0) err = rec::system_error() != 0 ? rec::system_error() : EIO;
    return done;
  };
  bool ok = step(rec::open(HFAC_UNIT, temp, rec::Status::UNKNOWN, rec::Access::SEQUENTIAL,
                           rec::ERR) == 0);
  if (ok) {
    rec::rewind(HFAC_UNIT);
    ok = step(rec::write_formatted(HFAC_UNIT, FMT_HFAC_HEADER, {expd.NL, trol.TITLE},
                                   rec::ERR) == 0);
    for (int l = 1; ok && l <= expd.NL; ++l)
      ok = step(rec::write_formatted(HFAC_UNIT, FMT_HFAC_VALUES,
                                     {rec::Item::reals(&factors(1, l), expd.NK)},
                                     rec::ERR) == 0);
    ok = step(rec::close(HFAC_UNIT, rec::ERR) == 0) && ok;
  }
  if (!ok) {
    why = temp + ": " + std::strerror(err);
  } else {
    // The new file keeps the permissions of the one it replaces.
    if (exists && S_ISREG(old.st_mode)) ::chmod(temp.c_str(), old.st_mode & 07777);
    if (std::rename(temp.c_str(), target.c_str()) == 0) return true;
    why = target + ": " + std::strerror(errno);
  }
  std::remove(temp.c_str());
  return false;
}

namespace {

// Asks whether to store the H-factors and stores them on "Y" or "y"; a
// store says that it was done, or why it failed and that nothing was stored.
void ask_store() {
  char c = ask_char(FMT_STORE_PROMPT);
  if (c != 'Y' && c != 'y') return;
  std::string why;
  if (store_hfac(why)) {
    rec::write_formatted(TERM_OUT, "(' H-factors stored in HFAC.DAT.')", {});
  } else {
    rec::write_formatted(TERM_OUT, "(1X,A)", {std::string_view(why)});
    rec::write_formatted(TERM_OUT,
                         "(' HFAC.DAT could not be written: H-factors not stored,"
                         " any old HFAC.DAT is kept.')",
                         {});
  }
}

// Asks whether to go on; "Y", "y" and RET continue.
bool ask_continue() {
  char c = ask_char(FMT_CONTINUE_PROMPT);
  return c == 'Y' || c == 'y' || c == ' ';
}

// The full width of the t window in use.  A test source sets TLIM but no
// TWID, so the width is taken from TLIM.
float twid_in_use() { return stor.TLIM + stor.TLIM; }

}  // namespace

bool takes_new_twid(float NEWTW) {
  return NEWTW != 0 && NEWTW != tywid.TWID && NEWTW != twid_in_use();
}

namespace {

// Asks for a new TWID, showing the width in use.  0, RET or that width keep
// the window; a width that cannot be read, is negative or is not finite
// ("inf" and "nan" convert) is asked for again.
float ask_twid() {
  for (;;) {
    float NEWTW = 0;
    if (ask(FMT_TWID_PROMPT, {twid_in_use()}, "(F6.3)", NEWTW) && std::isfinite(NEWTW) &&
        NEWTW >= 0)
      return NEWTW;
  }
}

}  // namespace

void set_twid(float NEWTW) {
  tywid.TWID = NEWTW;
  stor.TLIM = tywid.TWID * 0.5f;
  log_window();
  float DT = 2.0f * stor.TLIM / float(tran.NY - 1);
  for (int j = 1; j <= tran.NY; ++j)
    tran.YGRID(j) = float(j - 1) * DT - stor.TLIM + tywid.YSHIF;
}

namespace {

// The factors the last call ended with, before any cut on the screens.  A
// call that starts from them (no new TWID, no cut, no reload of other
// factors) repeats the sweep that call would have made next, so its first
// sweep must beat that call's QAVD to be kept.
FArray<float, MAXK, MAXL> last_factors;
bool calls_made = false;
bool stall_told = false;  // the stall has been reported

}  // namespace

bool resumes_last_call() { return calls_made && same_factors(last_factors); }

void reconstruct(int& ICON, float& QAVD, bool resumed) {
  rec::write_formatted(TERM_OUT, FMT_TITLE, {trol.TITLE});
  int T0 = 0, T1 = 0;
  timing(T0);
  kalo(ICON, QAVD, resumed ? QAVD : QAVD_NO_FIT);
  timing(T1);
  float TIME = float(T1 - T0);
  rec::write_formatted(LOG_UNIT, FMT_CONTROLS, {trol.MITER, trol.PREC, trol.QTOL});
  rec::write_formatted(LOG_UNIT, FMT_RESULT, {ICON, QAVD, TIME});
  if (trol.MITER > 0 && !(QAVD < QAVD_NO_FIT)) {
    // The fit could not be measured at all: say so rather than go on as
    // if the result were a reconstruction.
    for (int unit : {TERM_OUT, LOG_UNIT})
      rec::write_formatted(unit, FMT_NO_FIT, {});
  }
  // The first sweep was undone: these settings leave nothing to gain.
  const bool stalled = resumed && trol.MITER > 0 && same_factors(last_factors);
  if (stalled && !stall_told) rec::write_formatted(TERM_OUT, FMT_STALLED, {});
  stall_told = stalled;
  last_factors = stor.HFAC;
  calls_made = true;
}

namespace {

// A new t window: log it, rebuild the y grid and take new start factors.
void new_twid(float NEWTW) {
  set_twid(NEWTW);
  prep2();
}

// The whole dialogue and the run loop.
void dialogue() {
  rec::write_formatted(TERM_OUT, FMT_TEST_LIST, {});
  ask_test_number();
  if (trol.NTEST != 0) {
    setp();
    timdsp.ITEST = 1;
  } else {
    readp();
    timdsp.ITEST = 0;
  }
  prep();
  ask_printer_and_limit();

  open_log();

  int ICON = 0;
  float QAVD = 0;
  bool resumed = false;  // this call starts where the last one ended
  for (;;) {
    reconstruct(ICON, QAVD, resumed);
    splot();

    ask_store();
    if (!ask_continue()) break;
    float NEWTW = ask_twid();
    resumed = true;
    if (takes_new_twid(NEWTW)) {
      new_twid(NEWTW);
      resumed = false;
    }
    resumed = resumed && resumes_last_call();
  }
  rec::close(LOG_UNIT);
}

}  // namespace

int run_driver() {
  dialogue();
  rec::close_all();
  return 0;
}
