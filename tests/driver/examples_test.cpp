// The shipped example measurements: make-examples regenerates them byte for
// byte, and reconstructed from their own profiles they give back the beam
// they were made from (so units, signs and windows agree with the reader).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "driver/data_file.h"
#include "driver/prep.h"
#include "state/run_state.h"
#include "records/text_records.h"
#include "engine/kalo.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) { return kalo_test::read_file(p.string()); }

TEST(Examples, RegeneratedAndReconstructed) {
  const fs::path source = fs::path(KALO_SOURCE_DIR) / "examples";
  const fs::path dir = kalo_test::enter_temp_dir().path;
  const fs::path tool = fs::path(KALO_BIN).parent_path() / "make-examples";
  ASSERT_EQ(std::system((tool.string() + " " + dir.string()).c_str()), 0) << tool;
  // The known beams' centre (x, 100*y in cm) and second moments (xx, yy, xy
  // in cm^2, again with 100*y), from the Gaussians the generator integrates.
  struct Case {
    const char* name;
    double want[5];
  };
  for (const Case& c : {Case{"KALOIN.DAT", {0.06, 0.08, 0.017763, 0.012837, 0.006766}},
                        Case{"KALOIN20.DAT", {0.031, 0.010, 0.027116, 0.015903, 0.008889}}}) {
    EXPECT_EQ(slurp(c.name), slurp(source / c.name)) << c.name;
    fs::copy_file(source / c.name, "KALOIN.DAT", fs::copy_options::overwrite_existing);
    kalo_test::feed_stdin("Y\n\n");  // noise reduction, start factors 1
    reset_run_state();
    readp();
    prep();
    rec::open(7, "KALOOUT.DAT", rec::Status::UNKNOWN);
    int icon = 0;
    float qavd = 0.0f;
    trol.MITER = 10;
    kalo(icon, qavd);
    rec::close(7);
    double w = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (int i = 1; i <= tran.NX; ++i)
      for (int j = 1; j <= tran.NY; ++j) {
        const double r = tran.RHO(i, j), x = tran.XGRID(i), y = 100.0 * tran.YGRID(j);
        w += r, sx += r * x, sy += r * y, sxx += r * x * x, syy += r * y * y, sxy += r * x * y;
      }
    const double mx = sx / w, my = sy / w;
    const double got[5] = {mx, my, sxx / w - mx * mx, syy / w - my * my, sxy / w - mx * my};
    const double tol[5] = {0.005, 0.005, 0.05 * c.want[2], 0.05 * c.want[3], 0.1 * c.want[4]};
    for (int n = 0; n < 5; ++n) EXPECT_NEAR(got[n], c.want[n], tol[n]) << c.name << " moment " << n;
  }
}

}  // namespace
