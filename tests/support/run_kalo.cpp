#include "tests/support/run_kalo.h"

#include "tests/support/kalo_window.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kalo_test {

void answer_window_returns(const std::function<bool()>& alive) { answer_returns(alive); }

PrintFolder::PrintFolder() {
  write_file(file("print"), "#!/bin/sh\necho \"$@\" >> printed\n");
  std::filesystem::permissions(file("print"), std::filesystem::perms::owner_all);
}

RunResult run_shell(const std::string& command) {
  TempDir io;
  const int w =
      std::system((command + " >'" + io.file("out") + "' 2>'" + io.file("err") + "'").c_str());
  return {WIFEXITED(w) ? WEXITSTATUS(w) : -1, read_file(io.file("out")), read_file(io.file("err"))};
}

RunResult run_program(const std::string& binary, const std::string& dir,
                      const std::string& input, int timeout_s, const During& during,
                      bool as_user) {
  // The streams go through files kept apart from the run's folder, so the
  // program sees only its own files there (the shell opens them before any
  // change of user).
  TempDir io;
  write_file(io.file("in"), input);
  // Another user may not read the display's cookie: such a run has no display.
  std::string user = as_user ? "env -u DISPLAY " : "";
  if (as_user && geteuid() == 0) user += "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  std::string cmd = "cd '" + dir + "' && timeout -s KILL " + std::to_string(timeout_s) +
                    " " + user + "'" + binary + "' <'" + io.file("in") + "' >'" +
                    io.file("out") + "' 2>'" + io.file("err") + "'";
  int w = 0;
  pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  bool done = false;
  auto alive = [&] {
    if (!done && waitpid(pid, &w, WNOHANG) == pid) done = true;
    return !done;
  };
  if (during) during(alive);
  if (!done) waitpid(pid, &w, 0);
  RunResult r;
  r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
  r.out = read_file(io.file("out"));
  r.err = read_file(io.file("err"));
  return r;
}

}  // namespace kalo_test
