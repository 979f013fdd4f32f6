#!/usr/bin/env bash
# Installs what is missing, builds KALO and runs it in the folder run/ on the
# shipped example data (examples/KALOIN.DAT), with the print command
# scripts/print beside it as ./print.
#
# With a usable X display KALO starts there: it asks its questions on this
# terminal (press RET to accept the measured data) and shows its results in
# the window "TOMOGRAPHY".  Without one (a fresh server or a container) a
# scripted session runs instead on a virtual X server: every frame is
# visited, saved as run/frames/*.png and printed into run/KALO.pdf.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"
build=${KALO_BUILD_DIR:-$here/build}
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "No usable X display (DISPLAY unset or xdpyinfo fails): nobody could answer KALO's window."
  exec bash "$here/scripts/first-run-session.sh" "$build/kalo" "$here/run"
fi
mkdir -p "$here/run"
cp "$here/examples/KALOIN.DAT" "$here/run/KALOIN.DAT"
cp "$here/scripts/print" "$here/run/print"
chmod +x "$here/run/print"
cd "$here/run"
exec "$build/kalo"
