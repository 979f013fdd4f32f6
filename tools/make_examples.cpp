// make-examples FOLDER: writes the example measurements KALOIN.DAT and
// KALOIN20.DAT into FOLDER, and beside each its true density, KALOIN.TRUE
// and KALOIN20.TRUE (format in tools/true_density.h).
// make-examples FOLDER --study N COUNTS: writes N measurements of the beam
// of KALOIN.DAT with COUNTS particles per profile and Poisson noise, STUDY01.DAT
// upward (data set n drawn with seed n), and prints the beam's true rms
// emittance, alpha and beta; for judging the replicas' error bars.
//
// Each file is a synthetic measurement of a known phase-space density: the
// density is integrated along every projection line of constant s and the
// integrals are written as counts, exactly as KALOIN.DAT holds a measured
// profile.  KALOIN.DAT has 8 profiles of one tilted, off-centre Gaussian
// beam; KALOIN20.DAT has 20 profiles of a beam core with a satellite (two
// Gaussians).  The transfer matrices are phase advances spread evenly over
// half a turn, with the beam size at the screen varying a little from one
// profile to the next, so the projection angles cover phase space evenly.
// The profiles are listed with successive angles far apart (a stride of
// about 70 to 80 degrees): the reconstruction updates one profile after the
// other and converges much better when neighbours in the list are not
// nearly parallel.  Counts below half a per cent of a profile's peak are cut
// as background, so that the few-count tails, whose rounding to whole counts
// no density can match, do not dominate the deviation.
//
// Positions are in cm and angles in rad; the file gives R12 in m/rad and
// R21 in 1/m.  The generator works in double precision (it is a tool, not
// part of the reconstruction); what it writes is fixed by the formats, and
// the matrices are used as the file gives them (three decimals), so the
// profiles are the projections of the density under the matrices KALO reads.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/data_file.h"
#include "driver/replicas.h"
#include "state/fixed.h"
#include "records/text_records.h"
#include "tools/true_density.h"

namespace {

using truth::PI;
constexpr int NK = 51;      // samples per profile
constexpr int MAXG = 2;     // Gaussians in one density
constexpr int NT = 4001;    // points of each line integral
constexpr float CUT = 0.005f;  // background cut, a share of a profile's peak
// Beta function at the reconstruction point: one cm of x matches one
// hundredth of a rad of angle (1 m/rad), so the beam is round in (x, 100 y).
constexpr double BETA = 100.0;  // cm/rad

// A Gaussian beam: centre (x0 cm, y0 rad), rms sizes along its principal
// axes in the scaled plane (x, BETA*y) in cm, the tilt of the first axis
// from the x axis in degrees, and its share of the beam.
using truth::Gauss;

struct Example {
  const char* file;
  const char* title;
  float xshif, swid, yshif, twid;  // geometry record
  int nl;                          // profiles
  int stride;                      // angle steps of pi/nl from one profile to the next
  int icen, miter;                 // iteration controls ...
  float prec, qtol, xpar, relmax, relfac, th;
  double counts;  // particles per profile
  int ngauss;
  Gauss g[MAXG];
};

const Example EXAMPLES[] = {
    {"KALOIN.DAT", "Example: tilted off-centre Gaussian beam, 8 profiles",
     0.05f, 1.7f, 0.001f, 0.018f, 8, 3,
     0, 25, 0.02f, 0.005f, -0.5f, 0.05f, 0.1f, 0.0f,
     1000000.0, 1, {{0.06, 0.0008, 0.15, 0.09, 35.0, 1.0}}},
    {"KALOIN20.DAT", "Example: beam core with a satellite (two Gaussians), 20 profiles",
     0.0f, 1.25f, 0.0f, 0.013f, 20, 9,
     1, 20, 0.01f, 0.005f, -0.5f, 0.05f, 0.1f, 0.0f,
     2000000.0, 2, {{-0.05, -0.0005, 0.13, 0.08, -25.0, 0.7},
                  {0.22, 0.0015, 0.08, 0.06, 60.0, 0.3}}},
};

// The beam's density as its true-density file describes it.
truth::Density true_density(const Example& e) {
  truth::Density d;
  d.beta = BETA;
  d.n = e.ngauss;
  for (int n = 0; n < e.ngauss; ++n) d.g[n] = e.g[n];
  return d;
}

// The density (particles per cm per rad, integral 1) at (x, y).
double density(const Example& e, double x, double y) {
  return truth::value(true_density(e), x, y);
}

// A value as a "(F10.3)" field gives it back: what KALO will read.
float as_read(float v) {
  char field[10];
  rec::Internal rec10(field, 10);
  rec::write_formatted(rec10, "(F10.3)", {v});
  float r = 0.0f;
  rec::read_formatted(rec10, "(F10.3)", {r});
  return r;
}

// Transfer matrix of profile l (file units): a phase advance of
// ((l - 1)·stride mod nl)/nl of half a turn, the beam at the screen m times
// as wide.
void matrix(const Example& e, int l, float r[4]) {
  const double mu = PI * ((l - 1) * e.stride % e.nl) / e.nl;
  const double m = 1.0 + 0.15 * std::cos(2.0 * mu);
  const double b = BETA / 100.0;  // m/rad
  r[0] = as_read(float(m * std::cos(mu)));
  r[1] = as_read(float(m * b * std::sin(mu)));
  r[2] = as_read(float(-std::sin(mu) / (m * b)));
  r[3] = as_read(float(std::cos(mu) / m));
}

// Profile l: the counts in each sample window of width STEP, the density
// integrated along t over four times the t window (a measurement sees the
// whole beam), trapezoid rule, with the inverse matrix in cm and rad.
// With `noise`, each sample is a Poisson draw of its expected count and no
// background is cut.
void profile(const Example& e, const float r[4], FArray<float, NK>& pr,
             ReplicaDraws* noise = nullptr) {
  const double r11 = r[0], r12 = r[1] * 100.0, r21 = r[2] * 0.01, r22 = r[3];
  const double det = r11 * r22 - r12 * r21;
  const double slim = e.swid * 0.5, step = 2.0 * slim / (NK - 1);
  const double tmax = 2.0 * e.twid, dt = 2.0 * tmax / (NT - 1);
  for (int k = 1; k <= NK; ++k) {
    const double s = (k - 1) * step - slim;
    double sum = 0.0;
    for (int n = 0; n < NT; ++n) {
      const double t = -tmax + n * dt;
      const double x = (r22 * s - r12 * t) / det, y = (-r21 * s + r11 * t) / det;
      sum += density(e, x, y) * ((n == 0 || n == NT - 1) ? 0.5 : 1.0);
    }
    const double mean = e.counts * step * sum * dt / std::fabs(det);
    pr(k) = float(noise ? noise->poisson(mean) : std::round(mean));
  }
  if (noise) return;
  // Background cut: samples below CUT of the peak read as 0.
  float peak = 0.0f;
  for (int k = 1; k <= NK; ++k) peak = std::fmax(peak, pr(k));
  for (int k = 1; k <= NK; ++k)
    if (pr(k) < CUT * peak) pr(k) = 0.0f;
}

// Writes one file (under a temporary name first, so that an old file is
// only replaced by a complete one).
bool write_example(const Example& e, const std::string& folder, ReplicaDraws* noise = nullptr) {
  const std::string path = folder + "/" + e.file, tmp = path + ".new";
  if (rec::open(DATA_UNIT, tmp, rec::Status::UNKNOWN, rec::Access::SEQUENTIAL, rec::ERR) != 0) {
    std::fprintf(stderr, "make-examples: cannot create %s\n", tmp.c_str());
    return false;
  }
  FString<80> title;
  title = e.title;
  rec::write_formatted(DATA_UNIT, FMT_DATA_TITLE, {title});
  rec::write_formatted(DATA_UNIT, FMT_DATA_GEOMETRY, {e.xshif, e.swid, e.yshif, e.twid, e.nl});
  for (int l = 1; l <= e.nl; ++l) {
    float r[4];
    FArray<float, NK> pr;
    matrix(e, l, r);
    profile(e, r, pr, noise);
    rec::write_formatted(DATA_UNIT, FMT_DATA_MATRIX, {r[0], r[1], r[2], r[3]});
    rec::write_formatted(DATA_UNIT, FMT_DATA_SAMPLES, {pr});
  }
  rec::write_formatted(DATA_UNIT, FMT_DATA_CONTROLS,
                       {e.icen, e.miter, e.prec, e.qtol, e.xpar, e.relmax, e.relfac, e.th});
  rec::close(DATA_UNIT);
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "make-examples: cannot replace %s\n", path.c_str());
    std::remove(tmp.c_str());
    return false;
  }
  // The true density, beside the example and under the same name.
  std::string name = e.file;
  const std::string truth_path = folder + "/" + name.substr(0, name.rfind('.')) + ".TRUE";
  const std::string truth_tmp = truth_path + ".new";
  if (!truth::write(true_density(e), truth_tmp.c_str(), e.file) ||
      std::rename(truth_tmp.c_str(), truth_path.c_str()) != 0) {
    std::fprintf(stderr, "make-examples: cannot write %s\n", truth_path.c_str());
    std::remove(truth_tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace

// The study's data sets and the true quantities of their beam.
int write_study(const std::string& folder, int n, double counts) {
  Example e = EXAMPLES[0];
  e.counts = counts;
  e.title = "Study: tilted off-centre Gaussian beam with Poisson noise";
  for (int i = 1; i <= n; ++i) {
    char name[24];
    std::snprintf(name, sizeof name, "STUDY%02d.DAT", i);
    e.file = name;
    ReplicaDraws noise(std::uint64_t(i), 0);
    if (!write_example(e, folder, &noise)) return 1;
  }
  // The beam matrix in (x mm, x' mrad): the covariance in the plane
  // (x, BETA y) in cm^2, times 100 (cm to mm; BETA*y cm to mrad).
  const Gauss& g = e.g[0];
  const double c = std::cos(g.tilt * PI / 180.0), s = std::sin(g.tilt * PI / 180.0);
  const double a = g.sig1 * g.sig1, b = g.sig2 * g.sig2;
  const double s11 = 100.0 * (c * c * a + s * s * b), s12 = 100.0 * c * s * (a - b);
  const double eps = 100.0 * g.sig1 * g.sig2;
  std::printf("true emittance_rms_mm_mrad %.9g alpha %.9g beta_m %.9g\n", eps, -s12 / eps,
              s11 / eps);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[2]) == "--study")
    return write_study(argv[1], std::atoi(argv[3]), std::atof(argv[4]));
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-examples FOLDER [--study N COUNTS]\n");
    return 2;
  }
  for (const Example& e : EXAMPLES)
    if (!write_example(e, argv[1])) return 1;
  return 0;
}
