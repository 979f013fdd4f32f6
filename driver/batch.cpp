// Batch runs (see batch.h).
//
// Each run works in a child process: the run state is global and the run's
// steps write into the working folder, so the child moves into a fresh
// temporary folder inside the run's output folder and goes through the
// dialogue's steps with the answers the options give.  A run that fails
// (a refused input ends the child with status 1 and its one-line message)
// leaves nothing behind: only when the child succeeds are its files moved
// into the output folder, each by a rename.
#include "driver/batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/data_file.h"
#include "driver/prep.h"
#include "driver/replicas.h"
#include "driver/results.h"
#include "driver/run_steps.h"
#include "driver/test_sources.h"
#include "engine/kalo.h"
#include "records/fail.h"
#include "records/text_records.h"
#include "screens/pages.h"
#include "state/run_state.h"


namespace fs = std::filesystem;

namespace {

constexpr int USAGE_STATUS = 2;
// Where a child leaves its summary for the parent: the terminal line, then
// the fields of its row of summary.csv.
constexpr const char* SUMMARY_NOTE = ".summary";
// Frames 1..8 as bits 1..8.
constexpr unsigned ALL_FRAMES = 0x1FEu;
constexpr int MAX_REPLICAS = 100000;

struct Options {
  std::vector<std::string> data;
  int test = 0;
  std::string noise = "yes";
  std::string start;
  int iterations = 0;
  std::string update = "band";
  int continues = 0;
  double twid = 0.0;
  std::string out = "kalo-results";
  std::string pages = "8";
  std::vector<std::string> formats{"pdf"};
  int dpi = 150;
  double beta_gamma = 0.0;
  bool quiet = false;
  // Replicas: perturbed copies of the measurement, reconstructed alike.
  int replicas = 0;
  std::int64_t seed = 1;
  std::string noise_model = "poisson";
  double matrix_error = 0.0;
  // Derived from the above.
  unsigned frames = 0;
  bool twid_given = false, beta_gamma_given = false;
  NoiseModel replica_noise;
};

struct Run {
  std::string data;  // absolute path; empty for a test source
  std::string name;  // the data file's name, or "test<N>"
  fs::path dir;      // output folder
};

// A line on standard error: "kalo: <text>".
void say(const std::string& text) { std::fprintf(stderr, "kalo: %s\n", text.c_str()); }

// The frames of --pages: "all", "none" or numbers 1..8 separated by commas.
bool parse_pages(const std::string& list, unsigned& frames) {
  frames = 0;
  std::size_t at = 0;
  for (;;) {
    const std::size_t comma = list.find(',', at);
    const std::string item = list.substr(at, comma == std::string::npos ? comma : comma - at);
    if (item == "all") frames |= ALL_FRAMES;
    else if (item == "none") {
    } else if (item.size() == 1 && item[0] >= '1' && item[0] <= '8') {
      frames |= 1u << (item[0] - '0');
    } else {
      return false;
    }
    if (comma == std::string::npos) return true;
    at = comma + 1;
  }
}

// What an input file cannot be read for; empty when it can.
std::string unreadable(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return std::strerror(errno);
  struct stat sb;
  const bool dir = ::fstat(fd, &sb) == 0 && S_ISDIR(sb.st_mode);
  ::close(fd);
  return dir ? std::strerror(EISDIR) : "";
}

// Makes `dir` (and its parents) a folder; false with a line said when it
// is a file or cannot be made.
bool make_folder(const fs::path& dir) {
  std::error_code ec;
  if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) {
    say(dir.string() + ": not a folder");
    return false;
  }
  fs::create_directories(dir, ec);
  if (ec) {
    say(dir.string() + ": " + ec.message());
    return false;
  }
  return true;
}

std::string now_iso() {
  const std::time_t t = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&t));
  return text;
}

// ----- the child: one run in the current folder -----

std::vector<IterationRow> history;
int call_number = 0;

void keep_iteration(int ITER, float QAVD, int NINF, int NIND, int NZER, int NOUT, int N) {
  history.push_back({call_number, ITER, QAVD, NINF, NIND, NZER, NOUT, N});
}

// The start H-factors the options give; a --start file that cannot be used
// ends the run with the reason.
void take_start_factors(const Options& o) {
  char why[400];
  const char* file = o.start.empty() ? nullptr : o.start.c_str();
  if (start_factors(file, why, sizeof why)) return;
  fatal(why[0] ? std::string(why) : o.start + ": " + std::strerror(ENOENT));
}

PageFormat page_format(const std::string& name) {
  if (name == "ps") return PageFormat::ps;
  if (name == "svg") return PageFormat::svg;
  if (name == "png") return PageFormat::png;
  return PageFormat::pdf;
}

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

// Reads the measurement, prepares it and reconstructs as the options say,
// writing the log into the working folder.  A replica's draws perturb the
// measurement as read, before its preparation.
void read_and_reconstruct(const Options& o, const Run& r, ReplicaDraws* draws, int& ICON,
                          float& QAVD) {
  if (r.data.empty()) {
    trol.NTEST = o.test;
    setp();
    timdsp.ITEST = 1;
  } else {
    readp_from(r.data.c_str());
    timdsp.ITEST = 0;
  }
  if (draws) perturb_measurement(o.replica_noise, o.matrix_error, *draws);
  prep_profiles(o.noise == "yes");
  take_start_factors(o);
  // The printer of the empty answer: 1, black and white.
  coltag.IPRINT = 1;
  coltag.ICOL = 0;
  if (o.iterations != 0) trol.MITER = o.iterations;
  rule.RULE = o.update == "mult" ? RULE_MULT : RULE_BAND;

  open_log();
  ICON = 0;
  QAVD = 0.0f;
  for (int call = 1; call <= 1 + o.continues; ++call) {
    bool resumed = call > 1;
    if (call > 1 && o.twid_given && takes_new_twid(float(o.twid))) {
      set_twid(float(o.twid));
      take_start_factors(o);
      resumed = false;
    }
    call_number = call;
    reconstruct(ICON, QAVD, resumed && resumes_last_call());
  }
}

// ----- the replicas, run before the main reconstruction -----

// One replica in a grandchild: its quantities as one line "name value ..."
// on `out` (exit 0), or exit status 1 when its data are refused.
[[noreturn]] void replica_run(const Options& o, const Run& r, int number, int out) {
  const int null = ::open("/dev/null", O_WRONLY);
  ::dup2(null, 1);
  ::dup2(null, 2);
  ReplicaDraws draws(std::uint64_t(o.seed), std::uint64_t(number));
  // Two replicas run side by side, each a few iterations on its own
  // geometry: the fixed lines' tables would cost more than they save.
  kalo_fixed_lines = false;
  int ICON = 0;
  float QAVD = 0.0f;
  read_and_reconstruct(o, r, &draws, ICON, QAVD);
  RunRecord run;
  run.has_beta_gamma = o.beta_gamma_given;
  run.beta_gamma = o.beta_gamma;
  std::string line;
  char value[40];
  for (const auto& [name, v] : named_values(run, run_quantities(run))) {
    std::snprintf(value, sizeof value, " %.17g", v);
    line += name + value + " ";
  }
  line += '\n';
  const bool sent = ::write(out, line.data(), line.size()) == ssize_t(line.size());
  rec::close_all();
  _exit(sent ? 0 : FAIL_STATUS);
}

// A replica's outcome: its quantities by name, or none when it failed.
struct ReplicaOutcome {
  bool ok = false;
  std::vector<std::pair<std::string, double>> values;
};

// A line of the progress shown on a terminal while replicas run.
void show_progress(int done, int total, double seconds) {
  const double left = done > 0 ? seconds / done * (total - done) : 0.0;
  std::fprintf(stderr, "\rkalo: replicas %d of %d done, about %.0f s left ", done, total, left);
  std::fflush(stderr);
}

// Runs the replicas 1..N, two at a time (one per core), each in its own
// process in a scratch folder of the working folder.  Their outcomes are
// kept by replica number, so nothing depends on which finishes first.
std::vector<ReplicaOutcome> run_replicas(const Options& o, const Run& r) {
  constexpr int WORKERS = 2;
  const int total = o.replicas;
  std::vector<ReplicaOutcome> outcomes(static_cast<std::size_t>(total));
  const bool progress = ::isatty(STDERR_FILENO) != 0;
  struct Slot {
    pid_t pid = -1;
    int fd = -1, number = 0;
    std::string folder;
  } slots[WORKERS];
  for (int w = 0; w < WORKERS; ++w) {
    char folder[] = ".replica-XXXXXX";
    if (::mkdtemp(folder)) slots[w].folder = folder;
  }
  timespec start;
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  int next = 1, done = 0, running = 0;
  while (done < total) {
    for (Slot& s : slots) {
      if (s.pid >= 0 || next > total || s.folder.empty()) continue;
      int p[2];
      if (::pipe(p) != 0) break;
      std::fflush(nullptr);
      const pid_t pid = ::fork();
      if (pid == 0) {
        ::close(p[0]);
        if (::chdir(s.folder.c_str()) != 0) _exit(FAIL_STATUS);
        replica_run(o, r, next, p[1]);
      }
      ::close(p[1]);
      if (pid < 0) {
        ::close(p[0]);
        break;
      }
      s.pid = pid;
      s.fd = p[0];
      s.number = next++;
      ++running;
    }
    if (running == 0) {
      // No replica could be started: the rest count as failed.
      done = total;
      break;
    }
    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (Slot& s : slots) {
      if (s.pid != pid) continue;
      std::string line;
      char buf[4096];
      ssize_t n;
      while ((n = ::read(s.fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) line.append(buf, std::size_t(n));
      ::close(s.fd);
      ReplicaOutcome& oc = outcomes[std::size_t(s.number - 1)];
      if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && !line.empty()) {
        oc.ok = true;
        std::istringstream in(line);
        std::string name, value;
        while (in >> name >> value)
          oc.values.emplace_back(name, std::strtod(value.c_str(), nullptr));
      }
      s.pid = -1;
      --running;
      ++done;
      if (progress) {
        timespec now;
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        show_progress(done, total,
                      double(now.tv_sec - start.tv_sec) +
                          1e-9 * double(now.tv_nsec - start.tv_nsec));
      }
    }
  }
  if (progress) std::fprintf(stderr, "\r%60s\r", "");
  std::error_code ec;
  for (const Slot& s : slots)
    if (!s.folder.empty()) fs::remove_all(s.folder, ec);
  return outcomes;
}

// The replicas' values of the main run's quantities, with the replicas that
// failed or lack one of them counted.
ReplicaSet gather_replicas(const Options& o, const std::vector<ReplicaOutcome>& outcomes,
                           const std::vector<std::pair<std::string, double>>& main_values) {
  ReplicaSet set;
  set.count = int(outcomes.size());
  set.settings = {{"seed", o.seed}, {"noise", o.noise_model}, {"matrix_error", o.matrix_error}};
  for (const auto& [name, v] : main_values) {
    set.names.push_back(name);
    set.values.emplace_back(outcomes.size(), std::nan(""));
  }
  for (std::size_t r = 0; r < outcomes.size(); ++r) {
    if (!outcomes[r].ok) {
      ++set.refused;
      continue;
    }
    bool all = true;
    for (std::size_t i = 0; i < set.names.size(); ++i) {
      bool found = false;
      for (const auto& [name, v] : outcomes[r].values)
        if (name == set.names[i]) {
          set.values[i][r] = v;
          found = true;
        }
      all = all && found;
    }
    if (!all) ++set.without_quantities;
  }
  return set;
}

// "value +- sd" with the sd to two significant digits and the value to the
// same decimal place; the value alone (as %.6g) when there is no spread.
std::string with_error(const ReplicaSet* set, const char* name, double v) {
  std::string text = number(v);
  if (!set) return text;
  for (std::size_t i = 0; i < set->names.size(); ++i) {
    if (set->names[i] != name) continue;
    const Spread s = spread_of(set->values[i]);
    if (!(std::isfinite(s.sd) && s.sd > 0.0)) return text;
    const int decimals = std::max(0, 1 - int(std::floor(std::log10(s.sd))));
    char both[32];
    std::snprintf(both, sizeof both, "%.*f +- %.*f", decimals, v, decimals, s.sd);
    text = both;
  }
  return text;
}

[[noreturn]] void child_run(const Options& o, const Run& r) {
  RunRecord run;
  run.time = now_iso();
  std::vector<ReplicaOutcome> replica_outcomes;
  if (o.replicas > 0) replica_outcomes = run_replicas(o, r);
  kalo_iteration_hook = keep_iteration;

  if (r.data.empty()) {
    run.data_file = "test source " + std::to_string(o.test);
  } else {
    run.data_file = r.data;
    run.sha256 = file_sha256(r.data);
  }
  int ICON = 0;
  float QAVD = 0.0f;
  read_and_reconstruct(o, r, nullptr, ICON, QAVD);
  std::string why;
  if (!store_hfac(why)) fatal(why);
  rec::close(7);

  using json = nlohmann::ordered_json;
  auto or_null = [](bool given, const json& value) { return given ? value : json(nullptr); };
  run.settings = {
      {"data", or_null(!r.data.empty(), r.data)},
      {"test", or_null(r.data.empty(), o.test)},
      {"noise_reduction", o.noise == "yes"},
      {"start", or_null(!o.start.empty(), o.start)},
      {"iterations", trol.MITER},
      {"update", o.update},
      {"continue", o.continues},
      {"twid_rad", or_null(o.twid_given, o.twid)},
      {"pages", o.pages},
      {"format", o.formats},
      {"dpi", o.dpi},
      {"beta_gamma", or_null(o.beta_gamma_given, o.beta_gamma)},
      {"prec", trol.PREC},
      {"qtol", trol.QTOL},
  };
  run.iterations = history;
  run.converged = trol.MITER > 0 && !history.empty() && QAVD <= trol.PREC;
  run.has_beta_gamma = o.beta_gamma_given;
  run.beta_gamma = o.beta_gamma;
  const RunQuantities q = run_quantities(run);
  ReplicaSet replicas;
  if (o.replicas > 0) {
    replicas = gather_replicas(o, replica_outcomes, named_values(run, q));
    run.replicas = &replicas;
  }
  if (!write_results(run, q, why)) fatal(why);

  if (o.frames != 0)
    for (const std::string& f : o.formats) {
      char page_why[400];
      if (!write_pages(page_format(f), o.frames, o.dpi, page_why, sizeof page_why))
        fatal(page_why);
    }

  // The summary for the parent.
  const BeamQuantities& b = q.beam;
  std::string line = r.name + ": ";
  if (!b.has_beam)
    line += "no beam: the density holds no positive weight";
  else if (!b.has_twiss)
    line += "emittance_rms = 0 mm mrad (singular beam matrix), emittance_86 = " +
            number(b.emittance_fraction_mm_mrad[2]) + " mm mrad";
  else
    line += "emittance_rms = " + with_error(run.replicas, "emittance_rms_mm_mrad",
                                            b.emittance_rms_mm_mrad) +
            " mm mrad, alpha = " + with_error(run.replicas, "alpha", b.alpha) +
            ", beta = " + with_error(run.replicas, "beta_m", b.beta_m) +
            " m, emittance_86 = " + number(b.emittance_fraction_mm_mrad[2]) + " mm mrad";
  if (run.replicas)
    line += " (" + std::to_string(replicas.count) + " replicas, " +
            std::to_string(replicas.refused) + " refused, " +
            std::to_string(replicas.without_quantities) + " without quantities)";
  auto field = [](bool has, double v) { return has ? number(v) : std::string(); };
  const std::string row = std::string(run.converged ? "yes" : "no") + "," +
                          std::to_string(ICON) + "," + number(QAVD) + "," +
                          field(b.has_beam, b.emittance_rms_mm_mrad) + "," +
                          field(b.has_twiss, b.alpha) + "," + field(b.has_twiss, b.beta_m) +
                          "," + field(b.has_twiss, b.gamma_per_m) + "," +
                          field(b.has_beam, b.emittance_fraction_mm_mrad[2]) + "," +
                          number(q.emittance_86_contour_mm_mrad);
  std::ofstream(SUMMARY_NOTE) << line << '\n' << row << '\n';
  rec::close_all();
  std::fflush(nullptr);
  _exit(0);
}

// ----- the parent -----

struct Outcome {
  bool ok = false;
  std::string line;     // the terminal summary line
  std::string row;      // the fields of summary.csv after name and status
  std::string message;  // why it failed
};

// Runs `r` in a child inside a temporary folder of r.dir and moves its files
// into r.dir when it succeeds.
Outcome run_one(const Options& o, const Run& r) {
  Outcome out;
  std::string temp_name = (r.dir / ".kalo-run-XXXXXX").string();
  if (!::mkdtemp(temp_name.data())) {
    out.message = r.dir.string() + ": cannot be written: " + std::strerror(errno);
    say(out.message);
    return out;
  }
  const fs::path temp = temp_name;
  int pipe_fd[2];
  if (::pipe(pipe_fd) != 0) {
    out.message = std::string("cannot start the run: ") + std::strerror(errno);
    say(out.message);
    fs::remove_all(temp);
    return out;
  }
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipe_fd[0]);
    ::dup2(pipe_fd[1], 1);
    ::close(pipe_fd[1]);
    if (::chdir(temp.c_str()) != 0) _exit(FAIL_STATUS);
    child_run(o, r);
  }
  ::close(pipe_fd[1]);
  // The child's terminal lines pass through (unless quiet); the last one is
  // its message when it fails.
  std::string last, pending;
  char buf[4096];
  for (;;) {
    const ssize_t n = pid > 0 ? ::read(pipe_fd[0], buf, sizeof buf) : 0;
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (!o.quiet) std::fwrite(buf, 1, std::size_t(n), stdout);
    pending.append(buf, std::size_t(n));
    std::size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
      const std::string l = pending.substr(0, nl);
      if (l.find_first_not_of(' ') != std::string::npos) last = l;
      pending.erase(0, nl + 1);
    }
  }
  ::close(pipe_fd[0]);
  if (pending.find_first_not_of(' ') != std::string::npos) last = pending;
  std::fflush(stdout);
  int status = 0;
  if (pid < 0) {
    out.message = std::string("cannot start the run: ") + std::strerror(errno);
    say(out.message);
  } else {
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      out.ok = true;
    } else {
      const std::size_t first = last.find_first_not_of(' ');
      out.message = WIFSIGNALED(status)
                        ? r.name + ": the run ended on signal " + std::to_string(WTERMSIG(status))
                        : first == std::string::npos ? r.name + ": the run failed"
                                                     : last.substr(first);
      if (o.quiet || WIFSIGNALED(status)) std::fprintf(stderr, "%s\n", out.message.c_str());
    }
  }
  if (out.ok) {
    std::ifstream note(temp / SUMMARY_NOTE);
    std::getline(note, out.line);
    std::getline(note, out.row);
    fs::remove(temp / SUMMARY_NOTE);
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(temp, ec)) {
      fs::rename(e.path(), r.dir / e.path().filename(), ec);
      if (ec) {
        out.ok = false;
        out.message = (r.dir / e.path().filename()).string() + ": " + ec.message();
        say(out.message);
        break;
      }
    }
    if (out.ok) std::printf("%s\n", out.line.c_str());
  }
  std::error_code ec;
  fs::remove_all(temp, ec);
  return out;
}

// A CSV field: quoted when it holds a comma, a quote or a line end.
std::string csv(const std::string& s) {
  if (s.find_first_of(",\"\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

// summary.csv in `dir`, written under a temporary name and renamed.
bool write_summary(const fs::path& dir, const std::vector<Run>& runs,
                   const std::vector<Outcome>& outcomes, const std::string& update) {
  std::ostringstream out;
  out << "data_file,status,converged,iterations,qavd,emittance_rms_mm_mrad,alpha,beta_m,"
         "gamma_per_m,emittance_86_mm_mrad,emittance_86_contour_mm_mrad,update,message\n";
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const Outcome& oc = outcomes[i];
    out << csv(runs[i].data) << ',' << (oc.ok ? "ok" : "failed") << ','
        << (oc.ok ? oc.row : std::string(",,,,,,,,")) << ',' << update << ','
        << csv(oc.message) << '\n';
  }
  std::string why;
  if (replace_text_file((dir / "summary.csv").string(), out.str(), why)) return true;
  say(why);
  return false;
}

}  // namespace

int batch_main(int argc, char** argv) {
  Options o;
  CLI::App app{"KALO: maximum-entropy reconstruction of a beam's transverse phase space, "
               "run without a question and without a window.",
               "kalo"};
  auto* data = app.add_option("--data", o.data,
                              "measured data (the KALOIN.DAT layout); repeat for several runs");
  auto* test = app.add_option("--test", o.test, "built-in test source instead of data")
                   ->check(CLI::Range(1, 6));
  data->excludes(test);
  app.add_option("--noise-reduction", o.noise, "automatic noise reduction")
      ->check(CLI::IsMember({"yes", "no"}))
      ->capture_default_str();
  app.add_option("--start", o.start, "start H-factors (the HFAC.DAT layout); default all 1");
  app.add_option("--iterations", o.iterations,
                 "maximum iterations per reconstruction call (0: the data file's)")
      ->check(CLI::Range(0, 9999))
      ->capture_default_str();
  app.add_option("--update", o.update,
                 "iteration rule: band (the dialogue's ratio band) or mult (multiplicative "
                 "updates whose step halves after a worse sweep)")
      ->check(CLI::IsMember({"band", "mult"}))
      ->capture_default_str();
  auto* cont = app.add_option("--continue", o.continues,
                              "further reconstruction calls, as answering continue")
                   ->check(CLI::Range(0, 9999))
                   ->capture_default_str();
  auto* twid = app.add_option("--twid", o.twid,
                              "new angle window width (rad) for the continued calls")
                   ->needs(cont);
  app.add_option("--out", o.out, "output folder (created if missing)")->capture_default_str();
  app.add_option("--pages", o.pages, "frames to draw: 1..8 separated by commas, all or none")
      ->capture_default_str();
  app.add_option("--format", o.formats, "page formats: pdf, svg, png, ps (comma-separated)")
      ->delimiter(',')
      ->check(CLI::IsMember({"pdf", "svg", "png", "ps"}))
      ->capture_default_str();
  app.add_option("--dpi", o.dpi, "resolution of PNG pages")
      ->check(CLI::Range(10, 600))
      ->capture_default_str();
  auto* bg = app.add_option("--beta-gamma", o.beta_gamma,
                            "relativistic beta*gamma, to report normalised emittances too");
  app.add_flag("--quiet", o.quiet, "no iteration lines on the terminal");
  // Their values are checked below, each with its own line.
  app.add_option("--replicas", o.replicas,
                 "reconstructions of perturbed data, for the uncertainties (0: none)")
      ->capture_default_str();
  app.add_option("--seed", o.seed, "seed of the replicas' random draws")->capture_default_str();
  app.add_option("--noise", o.noise_model,
                 "how a replica perturbs a profile: poisson, or relative:R (normal factor of "
                 "mean 1 and sd R, clipped at 0)")
      ->capture_default_str();
  app.add_option("--matrix-error", o.matrix_error,
                 "sd of the normal factor (mean 1) on each transfer-matrix element of a replica")
      ->capture_default_str();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    std::string what = e.what();
    for (char& c : what)
      if (c == '\n') c = ' ';
    say(what + " (kalo --help lists the options)");
    return USAGE_STATUS;
  }
  o.twid_given = twid->count() > 0;
  o.beta_gamma_given = bg->count() > 0;
  if (o.twid_given && !(std::isfinite(o.twid) && o.twid > 0.0)) {
    say("--twid: expected a finite angle window width above 0 rad, found " + number(o.twid));
    return USAGE_STATUS;
  }
  if (o.beta_gamma_given && !(std::isfinite(o.beta_gamma) && o.beta_gamma > 0.0)) {
    say("--beta-gamma: expected a finite number above 0, found " + number(o.beta_gamma));
    return USAGE_STATUS;
  }
  if (o.replicas < 0 || o.replicas > MAX_REPLICAS) {
    say("--replicas: expected a whole number from 0 to " + std::to_string(MAX_REPLICAS) +
        ", found " + std::to_string(o.replicas));
    return USAGE_STATUS;
  }
  if (o.seed < 0) {
    say("--seed: expected a whole number >= 0, found " + std::to_string(o.seed));
    return USAGE_STATUS;
  }
  if (!parse_noise(o.noise_model, o.replica_noise)) {
    say("--noise: expected poisson or relative:R with R a finite number >= 0, found " +
        o.noise_model);
    return USAGE_STATUS;
  }
  if (!(std::isfinite(o.matrix_error) && o.matrix_error >= 0.0)) {
    say("--matrix-error: expected a finite number >= 0, found " + number(o.matrix_error));
    return USAGE_STATUS;
  }
  if (!parse_pages(o.pages, o.frames)) {
    say("--pages: expected numbers 1..8 separated by commas, all or none, found " + o.pages);
    return USAGE_STATUS;
  }
  if (o.data.empty() && o.test == 0) {
    say("--data FILE or --test N is needed (kalo --help lists the options)");
    return USAGE_STATUS;
  }

  // Every path is made absolute before a run moves into its own folder.
  std::vector<Run> runs;
  const fs::path out = fs::absolute(o.out);
  if (!o.start.empty()) {
    o.start = fs::absolute(o.start).string();
    const std::string why = unreadable(o.start);
    if (!why.empty()) {
      say(o.start + ": " + why);
      return FAIL_STATUS;
    }
  }
  for (const std::string& d : o.data) {
    Run r;
    r.data = fs::absolute(d).string();
    r.name = fs::path(r.data).filename().string();
    r.dir = o.data.size() > 1 ? out / r.name : out;
    const std::string why = unreadable(r.data);
    if (!why.empty()) {
      say(r.data + ": " + why);
      return FAIL_STATUS;
    }
    for (const Run& other : runs)
      if (other.name == r.name) {
        say("--data: two files named " + r.name + " would share the folder " + r.dir.string());
        return USAGE_STATUS;
      }
    runs.push_back(r);
  }
  if (runs.empty()) runs.push_back({"", "test" + std::to_string(o.test), out});

  if (!make_folder(out)) return FAIL_STATUS;
  std::vector<Outcome> outcomes;
  bool all_ok = true;
  for (const Run& r : runs) {
    Outcome oc;
    if (!make_folder(r.dir))
      oc.message = r.dir.string() + ": cannot be made";
    else
      oc = run_one(o, r);
    all_ok = all_ok && oc.ok;
    outcomes.push_back(oc);
  }
  if (runs.size() > 1 && !write_summary(out, runs, outcomes, o.update)) all_ok = false;
  return all_ok ? 0 : FAIL_STATUS;
}
