#!/usr/bin/env bash
# Renews the golden pages of the first-run test after a deliberate change to
# a page: runs the scripted first session with the built program, masks the
# time and date of every page and stores the result compressed.
#
#     update-golden.sh [KALO]
#
# Look at the new pages once (gs -sDEVICE=png16m ... KALO.PS) before the
# commit.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$here/scripts/first-run-session.sh" "${1:-$here/build/kalo}" "$work" >/dev/null
sed -E 's/\([0-9][0-9]:[0-9][0-9]:[0-9][0-9]\)/(TIME)/; s/\([0-9]?[0-9]-[A-Z][a-z][a-z]-[0-9][0-9]\)/(DATE)/' \
  "$work/KALO.PS" | gzip -9n >"$here/tests/golden/first-run.ps.gz"
echo "tests/golden/first-run.ps.gz renewed from $work/KALO.PS"
