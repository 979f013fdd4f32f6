#include "tests/support/x_input.h"

#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

void x_send(Display* d, Window w, int type, unsigned long detail, unsigned state) {
  XEvent ev{};
  ev.type = type;
  XKeyEvent& k = ev.xkey;  // key, button and motion events share this layout
  k.display = d;
  k.window = w;
  k.root = DefaultRootWindow(d);
  k.x = k.y = 2;
  k.state = state;
  k.same_screen = True;
  long mask = PointerMotionMask;
  if (type == KeyPress) {
    k.keycode = XKeysymToKeycode(d, KeySym(detail));
    mask = KeyPressMask;
  } else if (type == ButtonPress) {
    ev.xbutton.button = unsigned(detail);
    mask = ButtonPressMask;
  }
  XSendEvent(d, w, False, mask, &ev);
  XSync(d, False);
}

void x_type(Display* d, Window w, const std::string& text) {
  for (char c : text) x_send(d, w, KeyPress, static_cast<unsigned char>(c));
}

void x_report(int fd, const std::string& text) {
  std::string s = text + "\n";
  for (std::size_t done = 0; done < s.size();) {
    ssize_t n = write(fd, s.data() + done, s.size() - done);
    if (n <= 0) return;
    done += std::size_t(n);
  }
}

XChild::XChild(std::function<void(int)> body) {
  int rep[2], out[2];
  if (pipe(rep) != 0 || pipe(out) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test killed for a time-out
    close(rep[0]);
    close(out[0]);
    dup2(out[1], 1);
    body(rep[1]);
    fflush(stdout);
    _exit(0);
  }
  close(rep[1]);
  close(out[1]);
  report_ = rep[0];
  stdout_ = out[0];
}

XChild::~XChild() {
  if (pid_ > 0) finish(nullptr, 0);
  if (report_ >= 0) close(report_);
  if (stdout_ >= 0) close(stdout_);
}

bool XChild::line(std::string& out, int timeout_ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::size_t nl = pending_.find('\n');
    if (nl != std::string::npos) {
      out = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      return true;
    }
    int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                       end - std::chrono::steady_clock::now()).count());
    pollfd p{report_, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, left) <= 0) return false;
    char buf[512];
    ssize_t n = read(report_, buf, sizeof buf);
    if (n <= 0) return false;
    pending_.append(buf, std::size_t(n));
  }
}

int XChild::finish(std::string* output, int timeout_ms) {
  if (pid_ <= 0) return -1;
  int status = 0;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= end) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  if (output) {
    char buf[512];
    ssize_t n;
    while ((n = read(stdout_, buf, sizeof buf)) > 0) output->append(buf, std::size_t(n));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
