#!/usr/bin/env bash
# Remakes the README's pictures from a real run: the scripted first session
# (first-run-session.sh) in a temporary folder, then
#   docs/overview.png  its screenshot of the overview frame (frame 8), and
#   docs/page.png      the last page of its KALO.PS (the overview page),
#                      drawn by Ghostscript and turned upright.
# Needs a built program (scripts/build.sh; KALO_BUILD_DIR as there).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KALO_BUILD_DIR:-$here/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bash "$here/scripts/first-run-session.sh" "$build/kalo" "$work/run" >"$work/session.txt" ||
  { cat "$work/session.txt"; exit 1; }
mkdir -p "$here/docs"
cp "$work/run/frames/8-overview.png" "$here/docs/overview.png"
# The pages are drawn turned by "90 rotate": a quarter turn clockwise brings
# the last one upright; the white margin of the sheet is cut to 12 pixels.
pages=$(($(grep -c '^ showpage' "$work/run/KALO.PS") + 1))
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r100 -dTextAlphaBits=4 -dGraphicsAlphaBits=4 \
  -dFirstPage="$pages" -dLastPage="$pages" -sOutputFile="$work/page.png" "$work/run/KALO.PS"
convert "$work/page.png" -rotate 90 -trim +repage -bordercolor white -border 12 \
  -strip "$here/docs/page.png"
echo "docs/overview.png and docs/page.png remade from a scripted session"
