#!/usr/bin/env bash
# Sourced by the scripts that need an X display: when none is usable, starts
# a virtual X server (Xvfb) on a free display number and stops it on exit.
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    kalo_xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 300); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
    trap 'kill $kalo_xvfb_pid 2>/dev/null || true' EXIT
    break
  done
  xdpyinfo >/dev/null 2>&1 || { echo "could not start an X server (Xvfb)" >&2; exit 1; }
fi
