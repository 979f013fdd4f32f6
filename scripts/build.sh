#!/usr/bin/env bash
# Configures and builds KALO.  KALO_BUILD_DIR, KALO_BUILD_TYPE and
# KALO_CMAKE_ARGS choose the folder, the build type and extra options.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KALO_BUILD_DIR:-$here/build}
# shellcheck disable=SC2086
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE="${KALO_BUILD_TYPE:-Release}" ${KALO_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
