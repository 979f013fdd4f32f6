#!/usr/bin/env bash
# Installs what is missing, builds KALO and runs every test under a virtual
# X server.  Exits non-zero when anything fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-deps.sh"
bash "$here/scripts/build.sh"
build=${KALO_BUILD_DIR:-$here/build}
# shellcheck source=scripts/xserver.sh
. "$here/scripts/xserver.sh"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
