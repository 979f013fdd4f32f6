#!/usr/bin/env bash
# Installs what is missing, builds KALO and starts it in the folder run/ on
# the shipped example data (examples/KALOIN.DAT), with the print command
# scripts/print beside it as ./print.  KALO then asks its questions on this
# terminal; press RET to accept the measured data.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"
build=${KALO_BUILD_DIR:-$here/build}
mkdir -p "$here/run"
cp "$here/examples/KALOIN.DAT" "$here/run/KALOIN.DAT" 2>/dev/null || true
cp "$here/scripts/print" "$here/run/print"
chmod +x "$here/run/print"
cd "$here/run"
# shellcheck source=scripts/xserver.sh
. "$here/scripts/xserver.sh"
"$build/kalo"
