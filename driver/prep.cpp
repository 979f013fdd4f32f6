// Preparation of the profiles and the geometry for the iteration, and the
// start H-factors (internal values 1, or reloaded from HFAC.DAT).
#include "driver/prep.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "driver/data_file.h"
#include "records/fail.h"
#include "state/run_state.h"
#include "driver/terminal.h"
#include "records/text_records.h"
#include "engine/kalo.h"

namespace {

// Added to the least-squares determinant, so that a set of parallel
// projections gives a centre of 0 instead of a division by zero.
constexpr float EPSIL = 1E-20f;
// How far above EPSIL the least-squares determinant must lie: then the
// guard changes the centre by less than a part in a million, below the
// precision of a single-precision result.
constexpr float CLEAR = 1E6f;

// Weight of sample k in the area and centroid sums (trapezoid rule).
float trap(int k) { return k == 1 || k == expd.NK ? 0.5f : 1.0f; }

// A profile whose area cannot be scaled: ends the run, naming it (for
// measured data by the line of its first samples).
[[noreturn]] void refuse_area(int l) {
  if (data_from_file())
    refuse_data(l, 1, l == expd.LREF ? "a reference profile of zero area: the profiles cannot be "
                                       "normalised"
                                     : "a profile of zero area: it cannot be normalised");
  char text[160];
  if (l == expd.LREF)
    std::snprintf(text, sizeof text,
                  "Profile %d (the reference profile) has zero area: the profiles cannot be "
                  "normalised",
                  l);
  else
    std::snprintf(text, sizeof text, "Profile %d has zero area: it cannot be normalised", l);
  fatal(text);
}

// Data the iteration cannot use: for measured data the message names the
// line of KALOIN.DAT (profile l's matrix for k = 0, its sample k, the
// geometry line for k < 0); for a test source it names the profile.
[[noreturn]] void refuse(int l, int k, const char* found) {
  if (data_from_file()) refuse_data(l, k, found);
  char text[200];
  std::snprintf(text, sizeof text, "Profile %d: %s", l, found);
  fatal(text);
}

// The sample at which the running sum of `term(k)` over a profile first
// stops being finite (NK when it never does).
template <typename Term>
int overflow_at(Term term) {
  float sum = 0.0f;
  for (int k = 1; k <= expd.NK; ++k) {
    sum = sum + term(k);
    if (!std::isfinite(sum)) return k;
  }
  return expd.NK;
}

// A profile whose area or centroid sum overflows: the samples are blamed,
// unless the sample spacing multiplies the centroid terms up (a window
// width SWID far beyond the profile's own scale).
[[noreturn]] void refuse_sums(int l, bool area) {
  if (!area && expd.STEP * float(expd.NK - 1) > 1.0f) {
    char found[160];
    std::snprintf(found, sizeof found,
                  "a window width SWID of %g, with which the centroid of profile %d overflows",
                  double(stor.SLIM + stor.SLIM), l);
    refuse(l, GEOMETRY_LINE, found);
  }
  int k = area ? overflow_at([&](int k) { return trap(k) * expd.PR(k, l); })
               : overflow_at([&](int k) {
                   return expd.STEP * expd.PR(k, l) * float(k - 1) * trap(k);
                 });
  refuse(l, k, area ? "samples whose sum overflows" : "samples whose centroid overflows");
}

// The widest spread of one profile's positive samples that the iteration
// takes.  Scaled to the common area, the smallest samples of a wider
// profile lie so far below its computed projection that the squared
// deviations overflow the iteration's sum (a single sample of 1E25 among
// counts of a few hundred does).  Fifteen decades is still far beyond any
// measurement and beyond the seven digits of a single-precision sum.
constexpr float MAX_SPREAD = 1E15f;

// Ends the run when the positive samples of a profile spread wider than
// MAX_SPREAD, naming the largest sample.
void check_spread(int l) {
  int kmax = 0, kmin = 0;
  for (int k = 1; k <= expd.NK; ++k) {
    float v = expd.PR(k, l);
    if (!(v > 0.0f)) continue;
    if (kmax == 0 || v > expd.PR(kmax, l)) kmax = k;
    if (kmin == 0 || v < expd.PR(kmin, l)) kmin = k;
  }
  if (kmax == 0 || !(expd.PR(kmax, l) / MAX_SPREAD > expd.PR(kmin, l))) return;
  char found[160];
  std::snprintf(found, sizeof found,
                "a sample of %g, more than 1E15 times the smallest positive sample of the "
                "profile (%g)",
                double(expd.PR(kmax, l)), double(expd.PR(kmin, l)));
  refuse(l, kmax, found);
}

// The profile whose matrix has the largest element: the one that a sum
// over all matrices overflows with.
int largest_matrix() {
  int lmax = 1;
  float m = 0.0f;
  for (int l = 1; l <= expd.NL; ++l)
    for (int i = 0; i < 4; ++i) {
      float v = std::fabs(stor.RMAT.v[4 * (l - 1) + i]);
      if (v > m) m = v, lmax = l;
    }
  return lmax;
}

// The integer part of a non-negative sample, saturated at INT_MAX.
int integer_part(float v) { return v < float(INT_MAX) ? int(v) : INT_MAX; }

// Reads HFAC.DAT into HFAC when the file was written for this run (same
// NL and TITLE) and holds factors the iteration can produce.  Otherwise
// returns false and, unless the file is simply missing, says why in `why`.
bool read_hfac_file(const char* file, char* why, int cap) {
  why[0] = '\0';
  if (rec::open(HFAC_UNIT, file, rec::Status::OLD, rec::Access::SEQUENTIAL, rec::ERR) != 0) {
    if (rec::system_error() != ENOENT)
      std::snprintf(why, std::size_t(cap), "%s cannot be opened: %s", file,
                    std::strerror(rec::system_error()));
    return false;
  }
  // What a read that failed found, for the line it stopped in.
  auto failed = [&](int status, const char* expected) {
    char found[80];
    if (status < 0)
      std::snprintf(found, sizeof found, "the end of the file");
    else if (status == rec::READ_FAILED)
      std::snprintf(found, sizeof found, "a line that cannot be read (%s)",
                    std::strerror(rec::system_error()));
    else if (status == rec::RECORD_TOO_LONG)
      std::snprintf(found, sizeof found, "a line longer than %d characters", rec::MAX_RECORD);
    else
      std::snprintf(found, sizeof found, "a field that does not convert");
    std::snprintf(why, std::size_t(cap), "%s, line %d: expected %s, found %s", file,
                  rec::lines_read(HFAC_UNIT), expected, found);
    return false;
  };
  auto done = [&](bool ok) {
    rec::close(HFAC_UNIT);
    return ok;
  };
  int LMF = 0;
  FString<80> NAMEF;
  NAMEF.blank();
  int status = rec::read_formatted(HFAC_UNIT, FMT_HFAC_HEADER, {LMF, NAMEF}, rec::ERR_END);
  if (status != 0) return done(failed(status, "NL (I3) and the title (A80)"));
  if (LMF != expd.NL) {
    std::snprintf(why, std::size_t(cap), "%s was written for NL = %d, this run has NL = %d",
                  file, LMF, expd.NL);
    return done(false);
  }
  if (!(NAMEF == trol.TITLE)) {
    std::snprintf(why, std::size_t(cap), "%s was written for another title: %.*s", file,
                  NAMEF.len_trim(), NAMEF.c);
    return done(false);
  }
  // NK is always 51, so the first NL columns of HFAC are consecutive.
  const int n = expd.NK * expd.NL;
  status = rec::read_formatted(HFAC_UNIT, FMT_HFAC_VALUES,
                               {rec::Item::reals(stor.HFAC.data(), n)}, rec::ERR_END);
  if (status != 0) return done(failed(status, "H-factors (7E11.3)"));
  // The iteration never leaves a factor negative or above its runaway cap
  // (nor one that is not finite); such a file was not written by it.
  for (int i = 0; i < n; ++i) {
    const float h = stor.HFAC.v[i];
    const float top = factor_cap(i / expd.NK + 1);
    if (h >= 0.0f && h <= top) continue;
    char limit[16] = "1E7";
    if (top != HCAP) std::snprintf(limit, sizeof limit, "%.3g", double(top));
    std::snprintf(why, std::size_t(cap),
                  "%s: factor %d of profile %d is %g, not a factor from 0 to %s", file,
                  i % expd.NK + 1, i / expd.NK + 1, double(h), limit);
    return done(false);
  }
  return done(true);
}

}  // namespace

void noisered() {
  // The peak search takes integer parts, which depend on the unit of the
  // counts; it looks at them in the units the iteration maps them to (an
  // exact power of two, 1 for counts of ordinary size), so that the same
  // profile in other units finds the same peak.
  const float unit = 1.0f / count_scale();
  for (int l = 1; l <= expd.NL; ++l) {
    // Peak: compared with the integer part of the running maximum.
    int MAX = 0;
    int IPOS = 0;
    for (int k = 1; k <= expd.NK; ++k) {
      if (expd.PR(k, l) * unit > float(MAX)) {
        MAX = integer_part(expd.PR(k, l) * unit);
        IPOS = k;
      }
    }
    // No positive sample: nothing to remove.
    if (IPOS == 0) continue;
    for (int k = 2; k <= IPOS; ++k)
      if (expd.PR(k, l) == 0.0f)
        for (int m = 1; m <= k; ++m) expd.PR(m, l) = 0.0f;
    for (int k = expd.NK - 1; k >= IPOS; --k)
      if (expd.PR(k, l) == 0.0f)
        for (int m = k; m <= expd.NK; ++m) expd.PR(m, l) = 0.0f;
  }
}

bool start_factors(const char* file, char* why, int cap) {
  if (cap > 0) why[0] = '\0';
  if (file && read_hfac_file(file, why, cap)) return true;
  // Projection 1 starts at the scale of the counts (1 for counts of the
  // ordinary range), so that the run is the same on every count scale.
  for (int l = 1; l <= expd.NL; ++l)
    for (int k = 1; k <= expd.NK; ++k) stor.HFAC(k, l) = l == 1 ? count_scale() : 1.0f;
  return file == nullptr;
}

void prep2() {
  const bool from_file =
      ask_char("(' Enter F for HFAC from file, RET for internal values ',$)") == 'F';
  char why[200];
  if (start_factors(from_file ? HFAC_FILE : nullptr, why, sizeof why)) {
    if (from_file) rec::write_formatted(6, "(' H-factors loaded from HFAC.DAT.')", {});
    return;
  }
  if (why[0]) rec::write_formatted(6, "(1X,A)", {std::string_view(why)});
  rec::write_formatted(6, "(' HFAC.DAT not found, taking internal values.')", {});
}

void prep() {
  char answer = ask_char("(' Automatic noise reduction [Y/N] ? (Def = Y) ',$)");
  prep_profiles(answer == ' ' || answer == 'Y' || answer == 'y');
  prep2();
}

void prep_profiles(bool noise_reduction) {
  const int NK = expd.NK;
  const int NL = expd.NL;
  const int LREF = expd.LREF;

  for (int l = 1; l <= NL; ++l)
    for (int k = 1; k <= NK; ++k)
      if (expd.PR(k, l) < 0.0f) expd.PR(k, l) = 0.0f;

  if (noise_reduction) noisered();
  for (int l = 1; l <= NL; ++l) check_spread(l);

  // Every profile is scaled to the weighted area of the reference profile;
  // SCEN is each centroid in cm from the first sample.  The samples are
  // non-negative, so an area that is not positive means an empty profile.
  float SUMN = 0.0f;
  float ADDN = 0.0f;
  for (int k = 1; k <= NK; ++k) {
    SUMN = SUMN + trap(k) * expd.PR(k, LREF);
    ADDN = ADDN + expd.STEP * expd.PR(k, LREF) * float(k - 1) * trap(k);
  }
  if (!std::isfinite(SUMN)) refuse_sums(LREF, true);
  if (!(SUMN > 0.0f)) refuse_area(LREF);
  if (!std::isfinite(ADDN)) refuse_sums(LREF, false);
  stor.SCEN(LREF) = ADDN / SUMN;

  for (int l = 1; l <= NL; ++l) {
    if (l == LREF) continue;
    float SUML = 0.0f;
    for (int k = 1; k <= NK; ++k) SUML = SUML + trap(k) * expd.PR(k, l);
    if (!std::isfinite(SUML)) refuse_sums(l, true);
    float RATL = SUMN / SUML;
    if (!(SUML > 0.0f) || !std::isfinite(RATL)) refuse_area(l);
    float ADDL = 0.0f;
    for (int k = 1; k <= NK; ++k) {
      expd.PR(k, l) = expd.PR(k, l) * RATL;
      if (!std::isfinite(expd.PR(k, l)))
        refuse(l, k, "a sample that overflows when the profile is scaled to the common area");
      ADDL = ADDL + expd.STEP * expd.PR(k, l) * float(k - 1) * trap(k);
    }
    if (!std::isfinite(ADDL)) refuse_sums(l, false);
    stor.SCEN(l) = ADDL / SUMN;
  }

  for (int l = 1; l <= NL; ++l) {
    float R11 = stor.RMAT(1, 1, l), R12 = stor.RMAT(1, 2, l);
    float R21 = stor.RMAT(2, 1, l), R22 = stor.RMAT(2, 2, l);
    float DETR = R11 * R22 - R12 * R21;
    float DENR = 1.0f / DETR;
    if ((DETR == 0.0f || !std::isfinite(DENR)) && !data_from_file()) {
      char text[160];
      std::snprintf(text, sizeof text,
                    "The transfer matrix of profile %d is singular (determinant %g): it "
                    "cannot be inverted",
                    l, double(DETR));
      fatal(text);
    }
    stor.RINV(1, 1, l) = R22 * DENR;
    stor.RINV(2, 2, l) = R11 * DENR;
    stor.RINV(1, 2, l) = -(R12 * DENR);
    stor.RINV(2, 1, l) = -(R21 * DENR);
    // A determinant that overflows gives an inverse of zeros, one that
    // underflows an infinite one, and one below the normal range has lost
    // its precision: none inverts the matrix.  So has an inverse element
    // that is not finite or has fallen below the normal range.
    bool finite = std::isnormal(DETR) && std::isnormal(DENR);
    for (int i = 0; i < 4; ++i) {
      const float r = stor.RINV.v[4 * (l - 1) + i];
      finite = finite && (r == 0.0f || std::isnormal(r));
    }
    if (!finite) {
      char found[120];
      std::snprintf(found, sizeof found,
                    "a matrix that cannot be inverted (determinant %g)", double(DETR));
      refuse(l, 0, found);
    }
  }

  for (int i = 1; i <= NL; ++i) {
    for (int j = 1; j <= NL; ++j) {
      pint.AMAT(i, j) = stor.RMAT(1, 1, i) * stor.RINV(1, 1, j) +
                        stor.RMAT(1, 2, i) * stor.RINV(2, 1, j);
      pint.BMAT(i, j) = stor.RMAT(1, 1, i) * stor.RINV(1, 2, j) +
                        stor.RMAT(1, 2, i) * stor.RINV(2, 2, j);
      if (!std::isfinite(pint.AMAT(i, j)) || !std::isfinite(pint.BMAT(i, j))) {
        char found[120];
        std::snprintf(found, sizeof found,
                      "a matrix whose products with the matrix of profile %d overflow", i);
        refuse(j, 0, found);
      }
    }
  }

  // Least-squares beam centre: the point whose projections R11*x + R12*y
  // best match the centroid offsets from the window middles.
  float TT1 = 0.0f, TT2 = 0.0f, TT3 = 0.0f, SS1 = 0.0f, SS2 = 0.0f;
  for (int l = 1; l <= NL; ++l) {
    float CP = stor.RMAT(1, 1, l);
    float SP = stor.RMAT(1, 2, l);
    float SREL = stor.SCEN(l) - expd.SMID(l);
    TT1 = TT1 + CP * CP;
    TT2 = TT2 + SP * SP;
    TT3 = TT3 + CP * SP;
    SS1 = SS1 + CP * SREL;
    SS2 = SS2 + SP * SREL;
  }
  const float DET0 = TT1 * TT2 - TT3 * TT3;
  // Against a determinant that is not far above EPSIL the guard moves the
  // centre itself (matrices all scaled by 1E-10 put it at 1E-6 instead of
  // its true place).  A determinant of exactly 0, a set of parallel
  // projections, keeps its centre of 0.
  if (DET0 != 0.0f && std::fabs(DET0) < CLEAR * EPSIL) {
    char found[160];
    std::snprintf(found, sizeof found,
                  "matrices so small that the beam centre cannot be fitted (least-squares "
                  "determinant %g, not well above %g)",
                  double(DET0), double(EPSIL));
    refuse(largest_matrix(), 0, found);
  }
  float DET = DET0 + EPSIL;
  stor.XCEN = (TT2 * SS1 - TT3 * SS2) / DET;
  stor.YCEN = (TT1 * SS2 - TT3 * SS1) / DET;
  const char* CENTRE = "a matrix with which the least-squares beam centre overflows";
  if (!std::isfinite(stor.XCEN) || !std::isfinite(stor.YCEN)) refuse(largest_matrix(), 0, CENTRE);

  for (int l = 1; l <= NL; ++l) {
    float CP = stor.RMAT(1, 1, l);
    float SP = stor.RMAT(1, 2, l);
    if (trol.ICEN == 0) {
      stor.SREF(l) = expd.SMID(l);
    } else if (trol.ICEN == 2) {
      stor.SREF(l) = stor.SCEN(l);
    } else {
      // Places the centroid at the projection of the fitted centre.
      float SADJ = (stor.XCEN * CP + stor.YCEN * SP - stor.SCEN(l)) + expd.SMID(l);
      stor.SREF(l) = expd.SMID(l) - SADJ;
    }
    if (!std::isfinite(stor.SREF(l))) refuse(l, 0, CENTRE);
  }
}
