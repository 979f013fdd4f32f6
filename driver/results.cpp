// The results files of a batch run (see results.h).
#include "driver/results.h"

#include <hdf5.h>
#include <nettle/sha2.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "device/pen.h"
#include "graph/contour.h"
#include "screens/frames.h"
#include "state/run_state.h"

namespace {

using json = nlohmann::ordered_json;

constexpr const char* JSON_FILE = "results.json";
constexpr const char* H5_FILE = "results.h5";
constexpr const char* TEMP_ENDING = ".tmp";

// The contour plot's code of the overview frame: ten levels crowding toward
// the lowest, without letters.  Its EMIT86 is the value the overview shows.
constexpr int OVERVIEW_CONTOUR = -110;

// A pen that draws nothing: the contour plot run only for its table.
struct NullPen final : Pen {
  void move(float, float) override {}
  void draw(float, float) override {}
  void flush() override {}
  void colour(int) override {}
  void line_style(int) override {}
  void text(float, float, const char*, int, int) override {}
  void new_page() override {}
};

// Grid positions in mm and mrad (the run state keeps cm and rad).
double x_mm[MAXG], xp_mrad[MAXG];

void fill_axes() {
  for (int i = 1; i <= tran.NX; ++i) x_mm[i - 1] = double(tran.XGRID(i)) * 10.0;
  for (int j = 1; j <= tran.NY; ++j) xp_mrad[j - 1] = double(tran.YGRID(j)) * 1000.0;
}

// The quantities by their names in both files: name, value, units,
// description.  Only those that could be computed.
struct Named {
  const char* name;
  double value;
  const char* units;
  const char* description;
};

int named_quantities(const RunRecord& run, const RunQuantities& q, Named* out) {
  const BeamQuantities& b = q.beam;
  int n = 0;
  if (b.has_beam) {
    out[n++] = {"x_mean_mm", b.x_mean_mm, "mm", "centroid in position"};
    out[n++] = {"xp_mean_mrad", b.xp_mean_mrad, "mrad", "centroid in angle"};
    out[n++] = {"sigma11_mm2", b.sigma11_mm2, "mm^2", "beam matrix <(x-x_mean)^2>"};
    out[n++] = {"sigma12_mm_mrad", b.sigma12_mm_mrad, "mm mrad",
                "beam matrix <(x-x_mean)(xp-xp_mean)>"};
    out[n++] = {"sigma22_mrad2", b.sigma22_mrad2, "mrad^2", "beam matrix <(xp-xp_mean)^2>"};
    out[n++] = {"emittance_rms_mm_mrad", b.emittance_rms_mm_mrad, "mm mrad",
                "rms emittance sqrt(sigma11 sigma22 - sigma12^2)"};
  }
  if (b.has_twiss) {
    out[n++] = {"beta_m", b.beta_m, "m", "Twiss beta = sigma11 / emittance"};
    out[n++] = {"alpha", b.alpha, "1", "Twiss alpha = -sigma12 / emittance"};
    out[n++] = {"gamma_per_m", b.gamma_per_m, "1/m", "Twiss gamma = sigma22 / emittance"};
  }
  if (b.has_beam && run.has_beta_gamma)
    out[n++] = {"emittance_normalised_rms_mm_mrad", q.emittance_normalised_rms_mm_mrad,
                "mm mrad", "normalised rms emittance beta*gamma * emittance"};
  out[n++] = {"emittance_86_contour_mm_mrad", q.emittance_86_contour_mm_mrad, "mm mrad",
              "emittance with 14 % of the beam outside, interpolated in the contour "
              "plot's table (the overview's value; 0 when not found)"};
  return n;
}

// Why some quantities are missing ("ok" when none is).
const char* quantities_status(const BeamQuantities& b) {
  if (!b.has_beam) return "no beam: the density holds no positive weight";
  if (!b.has_twiss) return "no Twiss parameters: the beam matrix is singular";
  return "ok";
}

json to_json(const RunRecord& run, const RunQuantities& q) {
  json j;
  j["program"] = "KALO";
  j["version"] = KALO_VERSION;
  j["data_file"] = run.data_file;
  j["data_file_sha256"] = run.sha256.empty() ? json(nullptr) : json(run.sha256);
  j["title"] = std::string(trol.TITLE.c, std::size_t(title_length()));
  j["time"] = run.time;
  j["settings"] = run.settings;
  j["converged"] = run.converged;
  // The iteration rule; the step of the multiplicative rule at the start
  // and at the end of the last call.
  const bool mult = rule.RULE == RULE_MULT;
  j["rule"] = {{"name", mult ? "mult" : "band"},
               {"omega_start", mult ? json(rule.OMEGA0) : json(nullptr)},
               {"omega_final", mult ? json(rule.OMEGA) : json(nullptr)}};
  json rows = json::array();
  for (const IterationRow& r : run.iterations)
    rows.push_back({{"call", r.call}, {"iter", r.iter}, {"QAVD", r.qavd}, {"NINF", r.ninf},
                    {"NIND", r.nind}, {"NZER", r.nzer}, {"NOUT", r.nout}, {"N", r.n}});
  j["iterations"] = rows;
  Named named[16];
  const int n = named_quantities(run, q, named);
  json quantities = json::object();
  for (int i = 0; i < n; ++i) quantities[named[i].name] = named[i].value;
  if (q.beam.has_beam) {
    json fractions = json::object();
    for (int f = 0; f < N_FRACTIONS; ++f)
      fractions[std::to_string(FRACTION_PERCENT[f])] = q.beam.emittance_fraction_mm_mrad[f];
    quantities["emittance_fraction_mm_mrad"] = fractions;
  }
  j["quantities"] = quantities;
  j["quantities_status"] = quantities_status(q.beam);
  if (run.replicas) {
    const ReplicaSet& r = *run.replicas;
    json u = {{"replicas", r.count},
              {"settings", r.settings},
              {"refused", r.refused},
              {"without_quantities", r.without_quantities}};
    json spreads = json::object();
    for (std::size_t i = 0; i < r.names.size(); ++i) {
      const Spread s = spread_of(r.values[i]);
      spreads[r.names[i]] = {
          {"n", s.n}, {"mean", s.mean}, {"sd", s.sd}, {"p16", s.p16}, {"p84", s.p84}};
    }
    u["quantities"] = spreads;
    j["uncertainty"] = u;
  }
  return j;
}

// HDF5 writing: every call's id or status is checked through `ok`.
struct H5 {
  bool ok = true;

  hid_t check(hid_t id) {
    if (id < 0) ok = false;
    return id;
  }
  void check_status(herr_t s) {
    if (s < 0) ok = false;
  }

  // A UTF-8 text attribute in the shape of `space` (which it closes).
  void attr_texts(hid_t loc, const char* name, hid_t space, const char* const* values) {
    hid_t type = H5Tcopy(H5T_C_S1);
    H5Tset_size(type, H5T_VARIABLE);
    H5Tset_cset(type, H5T_CSET_UTF8);
    hid_t a = check(H5Acreate2(loc, name, type, space, H5P_DEFAULT, H5P_DEFAULT));
    if (a >= 0) check_status(H5Awrite(a, type, values));
    if (a >= 0) H5Aclose(a);
    H5Sclose(space);
    H5Tclose(type);
  }
  void attr_string(hid_t loc, const char* name, const std::string& value) {
    const char* p = value.c_str();
    attr_texts(loc, name, H5Screate(H5S_SCALAR), &p);
  }
  void attr_strings(hid_t loc, const char* name, const char* const* values, hsize_t n) {
    attr_texts(loc, name, H5Screate_simple(1, &n, nullptr), values);
  }
  void attr_number(hid_t loc, const char* name, hid_t mem, hid_t file, const void* value) {
    hid_t space = H5Screate(H5S_SCALAR);
    hid_t a = check(H5Acreate2(loc, name, file, space, H5P_DEFAULT, H5P_DEFAULT));
    if (a >= 0) check_status(H5Awrite(a, mem, value));
    if (a >= 0) H5Aclose(a);
    H5Sclose(space);
  }
  void attr_json(hid_t loc, const char* name, const json& v) {
    if (v.is_boolean()) {
      const int b = v.get<bool>() ? 1 : 0;
      attr_number(loc, name, H5T_NATIVE_INT, H5T_STD_I8LE, &b);
    } else if (v.is_number_integer()) {
      const long long i = v.get<long long>();
      attr_number(loc, name, H5T_NATIVE_LLONG, H5T_STD_I64LE, &i);
    } else if (v.is_number()) {
      const double d = v.get<double>();
      attr_number(loc, name, H5T_NATIVE_DOUBLE, H5T_IEEE_F64LE, &d);
    } else if (v.is_string()) {
      attr_string(loc, name, v.get<std::string>());
    } else {
      attr_string(loc, name, v.dump());
    }
  }

  // A dataset of `rank` dimensions with its units and description.
  void dataset(hid_t loc, const char* name, hid_t mem, hid_t file, int rank, const hsize_t* dims,
               const void* data, const char* units, const char* description) {
    hid_t space = rank == 0 ? H5Screate(H5S_SCALAR) : H5Screate_simple(rank, dims, nullptr);
    hid_t d = check(H5Dcreate2(loc, name, file, space, H5P_DEFAULT, untimed(H5P_DATASET_CREATE),
                               H5P_DEFAULT));
    if (d >= 0) {
      check_status(H5Dwrite(d, mem, H5S_ALL, H5S_ALL, H5P_DEFAULT, data));
      attr_string(d, "units", units);
      attr_string(d, "description", description);
      H5Dclose(d);
    }
    H5Sclose(space);
  }
  void floats(hid_t loc, const char* name, int rank, const hsize_t* dims, const float* data,
              const char* units, const char* description) {
    dataset(loc, name, H5T_NATIVE_FLOAT, H5T_IEEE_F32LE, rank, dims, data, units, description);
  }
  void doubles(hid_t loc, const char* name, int rank, const hsize_t* dims, const double* data,
               const char* units, const char* description) {
    dataset(loc, name, H5T_NATIVE_DOUBLE, H5T_IEEE_F64LE, rank, dims, data, units, description);
  }
  hid_t group(hid_t loc, const char* name) {
    return check(H5Gcreate2(loc, name, H5P_DEFAULT, untimed(H5P_GROUP_CREATE), H5P_DEFAULT));
  }
  // Creation properties without the objects' modification times, so that
  // the same run gives the same file apart from its time attribute.
  hid_t untimed(hid_t kind) {
    hid_t& p = kind == H5P_DATASET_CREATE ? dataset_props : group_props;
    if (p < 0) {
      p = check(H5Pcreate(kind));
      if (p >= 0) check_status(H5Pset_obj_track_times(p, false));
    }
    return p;
  }
  hid_t dataset_props = -1, group_props = -1;
  ~H5() {
    if (dataset_props >= 0) H5Pclose(dataset_props);
    if (group_props >= 0) H5Pclose(group_props);
  }
};

// Copies of the run state's arrays in the files' row-major layout.
float density[MAXG * MAXG];
float by_profile[MAXL * MAXK];
float matrices[MAXL * 4];

// Group uncertainty: per quantity of the main run, every replica's value and
// their spread.
void write_h5_uncertainty(H5& h, hid_t f, const RunRecord& run, const RunQuantities& q) {
  const ReplicaSet& r = *run.replicas;
  hid_t g = h.group(f, "uncertainty");
  if (g < 0) return;
  h.attr_json(g, "replicas", r.count);
  for (const auto& [key, value] : r.settings.items()) h.attr_json(g, key.c_str(), value);
  h.attr_json(g, "refused", r.refused);
  h.attr_json(g, "without_quantities", r.without_quantities);
  Named named[16];
  const int n = named_quantities(run, q, named);
  for (int i = 0; i < n; ++i) {
    std::size_t k = 0;
    while (k < r.names.size() && r.names[k] != named[i].name) ++k;
    if (k == r.names.size()) continue;
    hid_t qg = h.group(g, named[i].name);
    if (qg < 0) continue;
    const char* units = named[i].units;
    hsize_t count = hsize_t(r.values[k].size());
    h.doubles(qg, "values", 1, &count, r.values[k].data(), units,
              "the quantity of each replica in replica order (NaN: the replica has none)");
    const Spread s = spread_of(r.values[k]);
    h.doubles(qg, "mean", 0, nullptr, &s.mean, units, "mean of the replicas' values");
    h.doubles(qg, "sd", 0, nullptr, &s.sd, units,
              "standard deviation of the replicas' values (divisor n - 1)");
    h.doubles(qg, "p16", 0, nullptr, &s.p16, units,
              "16th percentile of the replicas' values (linear between ranks)");
    h.doubles(qg, "p84", 0, nullptr, &s.p84, units,
              "84th percentile of the replicas' values (linear between ranks)");
    H5Gclose(qg);
  }
  H5Gclose(g);
}

void write_h5_contents(H5& h, hid_t f, const RunRecord& run, const RunQuantities& q) {
  h.attr_string(f, "program", "KALO");
  h.attr_string(f, "version", KALO_VERSION);
  h.attr_string(f, "data_file", run.data_file);
  h.attr_string(f, "data_file_sha256", run.sha256);
  h.attr_string(f, "title", std::string(trol.TITLE.c, std::size_t(title_length())));
  h.attr_string(f, "time", run.time);
  for (const auto& [key, value] : run.settings.items()) h.attr_json(f, key.c_str(), value);
  h.attr_string(f, "rule", rule.RULE == RULE_MULT ? "mult" : "band");
  if (rule.RULE == RULE_MULT) {
    const double omega[2] = {rule.OMEGA0, rule.OMEGA};
    h.attr_number(f, "omega_start", H5T_NATIVE_DOUBLE, H5T_IEEE_F64LE, &omega[0]);
    h.attr_number(f, "omega_final", H5T_NATIVE_DOUBLE, H5T_IEEE_F64LE, &omega[1]);
  }

  const int NX = tran.NX, NY = tran.NY, NL = expd.NL, NK = expd.NK;
  hid_t g = h.group(f, "phase_space");
  if (g >= 0) {
    h.attr_string(g, "NX_class", "NXdata");
    h.attr_string(g, "signal", "density");
    const char* axes[2] = {"x", "xp"};
    h.attr_strings(g, "axes", axes, 2);
    const int zero = 0, one = 1;
    h.attr_number(g, "x_indices", H5T_NATIVE_INT, H5T_STD_I32LE, &zero);
    h.attr_number(g, "xp_indices", H5T_NATIVE_INT, H5T_STD_I32LE, &one);
    hsize_t nx = hsize_t(NX), ny = hsize_t(NY);
    h.doubles(g, "x", 1, &nx, x_mm, "mm", "position of grid column i");
    h.doubles(g, "xp", 1, &ny, xp_mrad, "mrad", "angle of grid row j");
    for (int i = 0; i < NX; ++i)
      for (int j = 0; j < NY; ++j) density[i * NY + j] = tran.RHO(i + 1, j + 1);
    hsize_t dims[2] = {nx, ny};
    h.floats(g, "density", 2, dims, density, "arbitrary",
             "reconstructed phase-space density, density[i, j] at x[i], xp[j]");
    H5Gclose(g);
  }

  g = h.group(f, "profiles");
  if (g >= 0) {
    hsize_t dims[3] = {hsize_t(NL), hsize_t(NK), 0};
    auto rows = [&](auto value) {
      for (int l = 1; l <= NL; ++l)
        for (int k = 1; k <= NK; ++k) by_profile[(l - 1) * NK + (k - 1)] = value(k, l);
    };
    rows([](int k, int l) { return expd.PR(k, l); });
    h.floats(g, "measured", 2, dims, by_profile, "arbitrary",
             "measured profile l, sample k, as prepared: clipped at 0, noise-reduced when "
             "asked and scaled to the area of profile 1");
    rows([](int k, int l) { return blank.PCAL(k, l); });
    h.floats(g, "computed", 2, dims, by_profile, "arbitrary",
             "projection of profile l computed in the last iteration, sample k");
    rows([](int k, int l) { return (float(k - 1) * expd.STEP - stor.SREF(l)) * 10.0f; });
    h.floats(g, "position", 2, dims, by_profile, "mm",
             "position s of sample k of profile l from the profile's reference point");
    for (int l = 1; l <= NL; ++l) {
      matrices[4 * (l - 1) + 0] = stor.RMAT(1, 1, l);
      matrices[4 * (l - 1) + 1] = stor.RMAT(1, 2, l) / 100.0f;
      matrices[4 * (l - 1) + 2] = stor.RMAT(2, 1, l) * 100.0f;
      matrices[4 * (l - 1) + 3] = stor.RMAT(2, 2, l);
    }
    hsize_t mdims[3] = {hsize_t(NL), 2, 2};
    h.floats(g, "matrix", 3, mdims, matrices, "[[1, m/rad], [rad/m, 1]]",
             "transfer matrix of profile l, [row][column], as in the data file");
    H5Gclose(g);
  }

  {
    for (int l = 1; l <= NL; ++l)
      for (int k = 1; k <= NK; ++k) by_profile[(l - 1) * NK + (k - 1)] = stor.HFAC(k, l);
    hsize_t dims[2] = {hsize_t(NL), hsize_t(NK)};
    h.floats(f, "hfactors", 2, dims, by_profile, "1",
             "H-factors of profile l, sample k, from which the density was computed");
  }

  {
    hid_t t = H5Tcreate(H5T_COMPOUND, sizeof(IterationRow));
    H5Tinsert(t, "call", HOFFSET(IterationRow, call), H5T_NATIVE_INT);
    H5Tinsert(t, "iter", HOFFSET(IterationRow, iter), H5T_NATIVE_INT);
    H5Tinsert(t, "QAVD", HOFFSET(IterationRow, qavd), H5T_NATIVE_FLOAT);
    H5Tinsert(t, "NINF", HOFFSET(IterationRow, ninf), H5T_NATIVE_INT);
    H5Tinsert(t, "NIND", HOFFSET(IterationRow, nind), H5T_NATIVE_INT);
    H5Tinsert(t, "NZER", HOFFSET(IterationRow, nzer), H5T_NATIVE_INT);
    H5Tinsert(t, "NOUT", HOFFSET(IterationRow, nout), H5T_NATIVE_INT);
    H5Tinsert(t, "N", HOFFSET(IterationRow, n), H5T_NATIVE_INT);
    hsize_t n = hsize_t(run.iterations.size());
    h.dataset(f, "iterations", t, t, 1, &n, run.iterations.data(), "1",
              "one row per iteration: reconstruction call, iteration in the call, QAVD (rms "
              "relative deviation), NINF, NIND, NZER, NOUT, N as on the ITER= line");
    H5Tclose(t);
    const int converged = run.converged ? 1 : 0;
    h.dataset(f, "converged", H5T_NATIVE_INT, H5T_STD_I8LE, 0, nullptr, &converged, "1",
              "1 when the last reconstruction call reached QAVD <= PREC");
  }

  g = h.group(f, "quantities");
  if (g >= 0) {
    h.attr_string(g, "status", quantities_status(q.beam));
    Named named[16];
    const int n = named_quantities(run, q, named);
    for (int i = 0; i < n; ++i)
      h.doubles(g, named[i].name, 0, nullptr, &named[i].value, named[i].units,
                named[i].description);
    if (q.beam.has_beam) {
      double percent[N_FRACTIONS];
      for (int f2 = 0; f2 < N_FRACTIONS; ++f2) percent[f2] = FRACTION_PERCENT[f2];
      hsize_t nf = N_FRACTIONS;
      h.doubles(g, "fraction_percent", 1, &nf, percent, "%", "fraction f of the beam");
      h.doubles(g, "emittance_fraction_mm_mrad", 1, &nf, q.beam.emittance_fraction_mm_mrad,
                "mm mrad", "area / pi of the densest cells holding fraction_percent of the beam");
    }
    H5Gclose(g);
  }

  if (run.replicas) write_h5_uncertainty(h, f, run, q);

  g = h.group(f, "contour_table");
  if (g >= 0) {
    hsize_t n = hsize_t(q.n_contour);
    h.doubles(g, "emittance_mm_mrad", 1, &n, q.contour_emittance_mm_mrad, "mm mrad",
              "area / pi inside each contour of the contour plot (levels 2 upward)");
    h.doubles(g, "outside_percent", 1, &n, q.contour_outside_percent, "%",
              "share of the beam outside each contour");
    h.doubles(g, "emittance_86_mm_mrad", 0, nullptr, &q.emittance_86_contour_mm_mrad,
              "mm mrad", "emittance with 14 % of the beam outside (0 when not found)");
    H5Gclose(g);
  }
}

bool write_h5(const RunRecord& run, const RunQuantities& q, std::string& why) {
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  const std::string temp = std::string(H5_FILE) + TEMP_ENDING;
  H5 h;
  // The file is built in memory and written out in one piece when closed:
  // far fewer system calls than writing each object where it lands.
  hid_t access = H5Pcreate(H5P_FILE_ACCESS);
  H5Pset_fapl_core(access, 64 * 1024, 1);
  // Compact object headers of the 1.8 file format (read by every current
  // HDF5 tool and h5py).
  H5Pset_libver_bounds(access, H5F_LIBVER_V18, H5F_LIBVER_LATEST);
  hid_t create = H5Pcreate(H5P_FILE_CREATE);  // the root group untimed, as every group
  H5Pset_obj_track_times(create, false);
  hid_t f = h.check(H5Fcreate(temp.c_str(), H5F_ACC_TRUNC, create, access));
  H5Pclose(create);
  H5Pclose(access);
  if (f >= 0) {
    write_h5_contents(h, f, run, q);
    h.check_status(H5Fclose(f));
  }
  if (h.ok && std::rename(temp.c_str(), H5_FILE) == 0) return true;
  why = std::string(H5_FILE) + ": the HDF5 library could not write the file";
  std::remove(temp.c_str());
  return false;
}

}  // namespace

bool replace_text_file(const std::string& file, const std::string& text, std::string& why) {
  const std::string temp = file + TEMP_ENDING;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (out.good() && std::rename(temp.c_str(), file.c_str()) == 0) return true;
  }
  why = file + ": " + std::strerror(errno != 0 ? errno : EIO);
  std::remove(temp.c_str());
  return false;
}

RunQuantities run_quantities(const RunRecord& run) {
  RunQuantities q{};
  fill_axes();
  q.beam = beam_quantities(tran.RHO.data(), MAXG, tran.NX, tran.NY, x_mm, xp_mrad);
  if (q.beam.has_beam && run.has_beta_gamma)
    q.emittance_normalised_rms_mm_mrad = run.beta_gamma * q.beam.emittance_rms_mm_mrad;

  // The contour plot of the overview, drawn with no pen, leaves its table
  // in record ps.
  NullPen pen;
  frames_setup();
  frameps(0);
  const Sheet s = sheet_with(paper_sheet(), paper_twin(pen));
  draw_contour(s, OVERVIEW_CONTOUR);
  frameold();
  q.n_contour = ps.NCL > 1 ? ps.NCL - 1 : 0;
  for (int k = 1; k <= q.n_contour; ++k) {
    q.contour_emittance_mm_mrad[k - 1] = ps.EMIT(k);
    q.contour_outside_percent[k - 1] = ps.FOUT(k);
  }
  q.emittance_86_contour_mm_mrad = ps.EMIT86;
  return q;
}

std::vector<std::pair<std::string, double>> named_values(const RunRecord& run,
                                                         const RunQuantities& q) {
  Named named[16];
  const int n = named_quantities(run, q, named);
  std::vector<std::pair<std::string, double>> out;
  for (int i = 0; i < n; ++i) out.emplace_back(named[i].name, named[i].value);
  return out;
}

Spread spread_of(const std::vector<double>& values) {
  std::vector<double> v;
  for (double x : values)
    if (std::isfinite(x)) v.push_back(x);
  const double none = std::nan("");
  if (v.empty()) return {0, none, none, none, none};
  const int n = int(v.size());
  double sum = 0.0;
  for (double x : v) sum += x;
  const double mean = sum / n;
  double squares = 0.0;
  for (double x : v) squares += (x - mean) * (x - mean);
  std::sort(v.begin(), v.end());
  auto percentile = [&](double p) {
    const double h = (n - 1) * p / 100.0;
    const int i = int(std::floor(h));
    return i + 1 < n ? v[i] + (h - i) * (v[i + 1] - v[i]) : v[i];
  };
  return {n, mean, n > 1 ? std::sqrt(squares / (n - 1)) : 0.0, percentile(16.0), percentile(84.0)};
}

bool write_results(const RunRecord& run, const RunQuantities& q, std::string& why) {
  fill_axes();
  if (!replace_text_file(JSON_FILE, to_json(run, q).dump(2) + "\n", why)) return false;
  if (write_h5(run, q, why)) return true;
  std::remove(JSON_FILE);
  return false;
}

std::string file_sha256(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return "";
  sha256_ctx ctx;
  sha256_init(&ctx);
  unsigned char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) sha256_update(&ctx, n, buf);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) return "";
  unsigned char digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
  char hex[2 * SHA256_DIGEST_SIZE + 1];
  for (int i = 0; i < SHA256_DIGEST_SIZE; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
  return hex;
}
