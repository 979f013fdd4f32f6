#include "device/sys/command.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>

extern char** environ;

namespace {

// Starts argv[0] with the interrupt and quit signals back at their defaults.
int spawn(pid_t& pid, const char* const argv[]) {
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGQUIT);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  int err = posix_spawn(&pid, argv[0], nullptr, &attr, const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attr);
  return err;
}

}  // namespace

int run_command(const char* const argv[], int& error) {
  struct sigaction ignore = {}, old_int = {}, old_quit = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGINT, &ignore, &old_int);
  sigaction(SIGQUIT, &ignore, &old_quit);

  pid_t pid = 0;
  error = spawn(pid, argv);
  if (error == ENOEXEC) {
    // A script without a "#!" line: the shell runs it.
    const char* with_shell[16] = {"/bin/sh"};
    int n = 0;
    while (argv[n] && n < 14) with_shell[n + 1] = argv[n], ++n;
    with_shell[n + 1] = nullptr;
    error = spawn(pid, with_shell);
  }
  int status = -1;
  if (error == 0) {
    int w = 0;
    pid_t got;
    while ((got = waitpid(pid, &w, 0)) < 0 && errno == EINTR) {
    }
    if (got == pid)
      status = WIFEXITED(w) ? WEXITSTATUS(w) : 128 + WTERMSIG(w);
    else
      error = errno;
  }
  sigaction(SIGINT, &old_int, nullptr);
  sigaction(SIGQUIT, &old_quit, nullptr);
  return error == 0 ? status : -1;
}
