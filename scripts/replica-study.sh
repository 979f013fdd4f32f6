#!/usr/bin/env bash
# How good the replicas' error bars are: makes N synthetic measurements of
# a tilted Gaussian beam with a known beam matrix and Poisson noise on the
# profiles (make-examples --study), reconstructs each with R replicas, and
# reports how often the true rms emittance, alpha and beta fall inside the
# replicas' mean +- one standard deviation, and inside the main result +- sd.
# A study, not a test: it takes a minute or two.
#
#   scripts/replica-study.sh [N [R [COUNTS]]]   (default 50 100 20000)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KALO_BUILD_DIR:-$here/build}
n=${1:-50} replicas=${2:-100} counts=${3:-20000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
truth=$("$build/make-examples" "$work" --study "$n" "$counts")
echo "$n data sets, $counts counts per profile, $replicas replicas each; $truth"
for f in "$work"/STUDY*.DAT; do
  "$build/kalo" --data "$f" --replicas "$replicas" --quiet --pages none \
    --out "$work/out/$(basename "$f")" >/dev/null
done
python3 - "$work/out" "$truth" <<'PY'
import json, pathlib, statistics, sys
words = sys.argv[2].split()
truth = {words[i]: float(words[i + 1]) for i in range(1, len(words), 2)}
runs = [json.loads(p.read_text()) for p in sorted(pathlib.Path(sys.argv[1]).glob("*/results.json"))]
for name, true in truth.items():
    inside_mean = inside_main = 0
    pulls, sds, bias = [], [], []
    for r in runs:
        u = r["uncertainty"]["quantities"][name]
        main = r["quantities"][name]
        inside_mean += abs(u["mean"] - true) <= u["sd"]
        inside_main += abs(main - true) <= u["sd"]
        sds.append(u["sd"])
        bias.append(main - true)
    print(f"{name}: true {true:.5g}; inside mean +- sd {inside_mean}/{len(runs)}, "
          f"inside main result +- sd {inside_main}/{len(runs)}; mean sd {statistics.mean(sds):.3g}, "
          f"mean error of the main result {statistics.mean(bias):+.3g}, "
          f"its spread over the data sets {statistics.stdev(bias):.3g}")
refused = sum(r["uncertainty"]["refused"] + r["uncertainty"]["without_quantities"] for r in runs)
total = sum(r["uncertainty"]["replicas"] for r in runs)
print(f"replicas refused or without quantities: {refused} of {total}")
PY
