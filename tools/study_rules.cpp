// study-rules FOLDER [MITER]: reconstructs every synthetic example in FOLDER
// (each FILE.DAT with its true density FILE.TRUE beside it, as make-examples
// writes them) with the ratio band and with the multiplicative rule, and
// prints for each the L1 error against the truth:
//
//   L1 = sum |rho_hat - rho| / sum rho over the 51 x 51 grid,
//
// with both densities normalised to unit sum on the grid.  The profiles are
// prepared with the dialogue's defaults (noise reduction, start factors 1)
// and each rule runs up to MITER sweeps (default: the file's limit).
//
// The truth is evaluated at the grid points of the reconstruction.  With
// centring mode 2 every profile's centroid is put at s = 0, so the grid is
// centred on the beam: grid point (x, y) then stands for (x + XCEN,
// y + YCEN), the centre the preparation fitted.  The other modes keep the
// grid in beam coordinates (mode 1 places each centroid at the projection of
// the fitted centre, which is where it was measured).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "driver/data_file.h"
#include "driver/prep.h"
#include "engine/kalo.h"
#include "records/text_records.h"
#include "state/run_state.h"
#include "tools/true_density.h"

namespace fs = std::filesystem;

namespace {

// Loads and prepares FILE (copied to KALOIN.DAT in the working folder),
// answering the preparation's questions with their defaults.
bool load(const fs::path& file) {
  fs::copy_file(file, "KALOIN.DAT", fs::copy_options::overwrite_existing);
  FILE* f = std::fopen("answers.txt", "w");
  if (!f) return false;
  std::fputs("\n\n", f);
  std::fclose(f);
  if (!std::freopen("answers.txt", "r", stdin)) return false;
  reset_run_state();
  readp();
  prep();
  return true;
}

// L1 of RHO against the truth on the reconstruction's grid.
double l1_error(const truth::Density& d) {
  const bool centred = trol.ICEN == 2;
  const double dx = centred ? stor.XCEN : 0.0, dy = centred ? stor.YCEN : 0.0;
  double sum_hat = 0.0, sum = 0.0;
  for (int j = 1; j <= tran.NY; ++j)
    for (int i = 1; i <= tran.NX; ++i) {
      sum_hat += tran.RHO(i, j);
      sum += truth::value(d, tran.XGRID(i) + dx, tran.YGRID(j) + dy);
    }
  double err = 0.0;
  for (int j = 1; j <= tran.NY; ++j)
    for (int i = 1; i <= tran.NX; ++i)
      err += std::fabs(tran.RHO(i, j) / sum_hat -
                       truth::value(d, tran.XGRID(i) + dx, tran.YGRID(j) + dy) / sum);
  return err;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: study-rules FOLDER [MITER]\n");
    return 2;
  }
  const fs::path folder = fs::absolute(argv[1]);
  const int miter = argc == 3 ? std::atoi(argv[2]) : 0;
  // The iteration lines and the log go nowhere; the table goes to the
  // original standard output.
  FILE* out = fdopen(dup(1), "w");
  if (!out || !std::freopen("/dev/null", "w", stdout)) return 1;
  const fs::path work = fs::temp_directory_path() / ("study_rules_" + std::to_string(getpid()));
  fs::create_directories(work);
  fs::current_path(work);
  rec::open(7, "KALOOUT.DAT", rec::Status::UNKNOWN);
  std::fprintf(out, "%-14s %5s %10s %6s %10s %10s %6s %10s %10s %10s\n", "example", "MITER",
               "band L1", "ICON", "QAVD", "mult L1", "ICON", "QAVD", "OMEGA", "QW");
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".DAT") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& dat : files) {
    truth::Density d;
    fs::path true_file = dat;
    true_file.replace_extension(".TRUE");
    if (!truth::read(d, true_file.c_str())) continue;
    double l1[2];
    int icon[2] = {0, 0};
    float qavd[2] = {0.0f, 0.0f};
    int limit = 0;
    for (int r = 0; r < 2; ++r) {
      if (!load(dat)) return 1;
      if (miter > 0) trol.MITER = miter;
      limit = trol.MITER;
      rule.RULE = r == 0 ? RULE_BAND : RULE_MULT;
      kalo(icon[r], qavd[r]);
      l1[r] = l1_error(d);
    }
    std::fprintf(out, "%-14s %5d %10.4f %6d %10.3e %10.4f %6d %10.3e %10.3e %10.3e\n",
                 dat.filename().c_str(), limit, l1[0], icon[0], double(qavd[0]), l1[1], icon[1],
                 double(qavd[1]), double(rule.OMEGA), double(rule.QW));
  }
  rec::close(7);
  fs::current_path(folder);
  fs::remove_all(work);
  std::fclose(out);
  return 0;
}
