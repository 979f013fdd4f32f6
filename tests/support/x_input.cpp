#include "tests/support/x_input.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

void x_send(Display* d, Window w, int type, unsigned long detail) {
  XEvent ev{};
  ev.type = type;
  ev.xany.window = w;
  if (type == KeyPress) ev.xkey.keycode = XKeysymToKeycode(d, KeySym(detail));
  else ev.xbutton.button = unsigned(detail);
  XSendEvent(d, w, False, type == KeyPress ? KeyPressMask : ButtonPressMask, &ev);
  XSync(d, False);
}

void x_type(Display* d, Window w, const std::string& text) {
  for (char c : text) x_send(d, w, KeyPress, static_cast<unsigned char>(c));
}

std::vector<Window> x_children(Display* d, Window w) {
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  std::vector<Window> out;
  if (XQueryTree(d, w, &root, &parent, &kids, &n)) out.assign(kids, kids + n);
  if (kids) XFree(kids);
  return out;
}

void x_report(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

XChild::XChild(std::function<void()> body) {
  int out[2];
  if (pipe(out) != 0) return;
  std::fflush(stdout);  // nothing of the test's own output goes twice
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test killed for a time-out
    close(out[0]);
    dup2(out[1], 1);
    body();
    std::fflush(stdout);
    _exit(0);
  }
  close(out[1]);
  out_ = out[0];
}

bool XChild::line(std::string& out, int timeout_ms) {
  out.clear();
  pollfd p{out_, POLLIN, 0};
  for (char c; poll(&p, 1, timeout_ms) > 0 && read(out_, &c, 1) == 1; out += c)
    if (c == '\n') return true;
  return false;
}

int XChild::finish(int timeout_ms) {
  if (pid_ <= 0) return -1;
  int status = 0;
  for (int waited = 0; waitpid(pid_, &status, WNOHANG) == 0; waited += 10, usleep(10000))
    if (waited >= timeout_ms) kill(pid_, SIGKILL);  // and reaped by the next round
  pid_ = -1;
  close(out_);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
