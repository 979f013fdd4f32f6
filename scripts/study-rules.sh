#!/usr/bin/env bash
# Compares the two iteration rules on the shipped synthetic examples: builds
# the study tool and prints, for each example, the L1 error of the ratio band
# and of the multiplicative rule against the true density written beside it
# (examples/*.TRUE).  An argument sets the sweep limit of both rules (default:
# each file's own).  Not part of the test suite.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KALO_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE="${KALO_BUILD_TYPE:-Release}" >/dev/null
cmake --build "$build" --target study-rules >/dev/null
"$build/study-rules" "$here/examples" "$@"
