#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ and runs each for a
# bounded time on its seed corpus from fuzz/corpus/<target>/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]    (default: 30 s, every target)
# New inputs found during a run go to build-fuzz/corpus/<target>/, not into
# the repository; a crash leaves its input in build-fuzz/ and fails the run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_kaloin fuzz_hfac fuzz_read_formatted fuzz_answers)
bash "$here/scripts/install-deps.sh"
build=${KALO_FUZZ_BUILD_DIR:-$here/build-fuzz}
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug \
  -DKALO_FUZZ=ON -DKALO_TESTS=OFF -DKALO_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz -j"$(nproc)"
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  echo "== $t: ${seconds} s"
  # A data file of 20 profiles is about 11 KB.
  max_len=16384
  [ "$t" = fuzz_read_formatted ] && max_len=4096
  [ "$t" = fuzz_answers ] && max_len=64
  (cd "$build" && UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz/$t" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/" \
    "$build/corpus/$t" "$here/fuzz/corpus/$t")
done
