// The results files read back: results.json validates against the schema
// kept in docs/, results.h5 opens with h5dump with units on every dataset,
// and the quantities of both equal those of the density the file holds.
#include <gtest/gtest.h>
#include <hdf5.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "tests/support/run_kalo.h"

namespace {

using kalo_test::read_file;

int sh(const std::string& cmd) { return kalo_test::run_shell(cmd).status; }

// Reads the whole of dataset `name` as doubles (a table only by its rows).
std::vector<double> read_h5(hid_t f, const char* name) {
  hid_t d = H5Dopen2(f, name, H5P_DEFAULT);
  EXPECT_GE(d, 0) << name;
  hid_t s = H5Dget_space(d);
  std::vector<double> v(std::size_t(H5Sget_simple_extent_npoints(s)));
  hid_t t = H5Dget_type(d);
  if (H5Tget_class(t) != H5T_COMPOUND)
    H5Dread(d, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, v.data());
  H5Tclose(t);
  H5Sclose(s);
  H5Dclose(d);
  return v;
}

TEST(Results, ReadBackFromBothFiles) {
  kalo_test::TempDir dir;
  const std::string kalo = "cd '" + dir.path + "' && '" KALO_BIN "' --quiet --pages none ";
  ASSERT_EQ(sh(kalo + "--test 5 --beta-gamma 2.5 --out run >/dev/null"), 0);
  const nlohmann::json j = nlohmann::json::parse(read_file(dir.file("run/results.json")));
  EXPECT_EQ(sh("/usr/bin/python3 -c 'import json, sys, jsonschema; l = lambda n: json.load("
               "open(n)); jsonschema.validate(l(sys.argv[1]), l(sys.argv[2]))' '" +
               dir.file("run/results.json") + "' '" KALO_SOURCE_DIR "/docs/results.schema.json'"),
            0);

  // h5dump opens the file, and every one of its 26 datasets carries units.
  const std::string dump = "h5dump -A '" + dir.file("run/results.h5") + "' | grep -c ";
  EXPECT_EQ(sh("test $(" + dump + "'DATASET \"') = 26 && test $(" + dump +
               "'ATTRIBUTE \"units\"') = 26"),
            0);

  // The quantities of both files equal sums over the density in results.h5
  // taken here independently: raw moments in one pass, then central ones.
  hid_t f = H5Fopen(dir.file("run/results.h5").c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  ASSERT_GE(f, 0);
  const std::vector<double> x = read_h5(f, "phase_space/x"), xp = read_h5(f, "phase_space/xp");
  std::vector<double> rho = read_h5(f, "phase_space/density");
  ASSERT_EQ(rho.size(), 51u * 51u);
  long double W = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
  for (int i = 0; i < 51; ++i)
    for (int k = 0; k < 51; ++k) {
      const long double r = rho[std::size_t(51 * i + k)], a = x[i], b = xp[k];
      W += r, sx += r * a, sy += r * b, sxx += r * a * a, sxy += r * a * b, syy += r * b * b;
    }
  const double mx = double(sx / W), my = double(sy / W);
  const double s11 = double(sxx / W) - mx * mx, s12 = double(sxy / W) - mx * my,
               s22 = double(syy / W) - my * my, e = std::sqrt(s11 * s22 - s12 * s12);
  // 86 %: the densest cells until their sum passes 0.86 W, the last in part.
  std::sort(rho.begin(), rho.end(), std::greater<double>());
  double sum = 0, cells = 0;
  for (double c : rho) {
    if (sum + c >= 0.86 * double(W)) {
      cells += (0.86 * double(W) - sum) / c;
      break;
    }
    sum += c, cells += 1;
  }
  const std::pair<const char*, double> want[] = {
      {"x_mean_mm", mx},          {"xp_mean_mrad", my},   {"sigma11_mm2", s11},
      {"sigma12_mm_mrad", s12},   {"sigma22_mrad2", s22}, {"emittance_rms_mm_mrad", e},
      {"beta_m", s11 / e},        {"alpha", -s12 / e},    {"gamma_per_m", s22 / e},
      {"emittance_normalised_rms_mm_mrad", 2.5 * e}};
  for (const auto& [name, value] : want) {
    EXPECT_NEAR(j["quantities"][name].get<double>(), value, 1e-9 * std::fabs(value)) << name;
    EXPECT_EQ(read_h5(f, (std::string("quantities/") + name).c_str())[0],
              j["quantities"][name].get<double>()) << name;
  }
  const double e86 = cells * (x[1] - x[0]) * (xp[1] - xp[0]) / M_PI;
  EXPECT_NEAR(j["quantities"]["emittance_fraction_mm_mrad"]["86"].get<double>(), e86, 1e-9 * e86);
  EXPECT_EQ(read_h5(f, "quantities/emittance_fraction_mm_mrad")[2],
            j["quantities"]["emittance_fraction_mm_mrad"]["86"].get<double>());
  EXPECT_EQ(read_h5(f, "iterations").size(), j["iterations"].size());
  H5Fclose(f);

  // A density of zeros (start factors 0) gives no quantity and says so.
  std::ofstream(dir.file("zeros")) << std::regex_replace(
      read_file(dir.file("run/HFAC.DAT")), std::regex("[0-9]\\.[0-9]{3}E"), "0.000E");
  ASSERT_EQ(sh(kalo + "--test 5 --start zeros --out zero >/dev/null"), 0);
  const nlohmann::json z = nlohmann::json::parse(read_file(dir.file("zero/results.json")));
  EXPECT_EQ(z["quantities_status"], "no beam: the density holds no positive weight");
  EXPECT_FALSE(z["quantities"].contains("emittance_rms_mm_mrad"));
}

}  // namespace
