#!/usr/bin/env bash
# A scripted first session of KALO for a machine where nobody could see or
# answer the graphics window:
#
#     first-run-session.sh KALO FOLDER
#
# runs the program KALO in FOLDER on the example data (examples/KALOIN.DAT)
# on a virtual X server of its own (Xvfb), answers every terminal question
# with its default (RET) except "store HFAC" and "continue" (both N), and
# answers the graphics window as a user would: every frame is visited
# (frames 1 and 2 stepped through all projections, frame 3 with its contour
# plot and its emittance curve), each is saved as a screenshot
# FOLDER/frames/*.png, and a page of each is requested with P.  When the
# session leaves the graphics, KALO hands KALO.PS to ./print, which writes
# FOLDER/KALO.pdf (KALO_PRINT=pdf: never a real printer, unattended).
#
# Needs Xvfb, xdotool, xwd, ImageMagick's convert and Ghostscript
# (packages.txt).  KALO_STEP_TIMEOUT (seconds, default 60) bounds the wait
# for each drawn frame and for the program's end.  Exits non-zero, with a
# one-line reason, when any step fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

fail() {
  echo "first run: $*" >&2
  exit 1
}

[ $# -eq 2 ] || fail "usage: first-run-session.sh KALO FOLDER"
bin=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
[ -x "$bin" ] || fail "no program '$1' (build it with scripts/build.sh)"
mkdir -p "$2"
dir=$(cd "$2" && pwd)
step_timeout=${KALO_STEP_TIMEOUT:-60}
for tool in Xvfb xdpyinfo xwininfo xdotool xwd convert gs; do
  command -v "$tool" >/dev/null 2>&1 || fail "'$tool' is missing (bash scripts/install-deps.sh installs it)"
done

work=$(mktemp -d)
xvfb_pid=""
kalo_pid=""
cleanup() {
  if [ -n "$kalo_pid" ] && kill -0 "$kalo_pid" 2>/dev/null; then
    kill "$kalo_pid" 2>/dev/null || true
    wait "$kalo_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- The folder: example data and print command, no results of earlier runs.
cp "$here/examples/KALOIN.DAT" "$dir/KALOIN.DAT"
cp "$here/scripts/print" "$dir/print"
chmod +x "$dir/print"
mkdir -p "$dir/frames"
rm -f "$dir"/frames/*.png "$dir/KALO.PS" "$dir/KALO.pdf" "$dir/terminal.txt"
# The number of profiles: columns 41-46 of the data's second line.
nl=$(sed -n 2p "$dir/KALOIN.DAT" | cut -c41-46 | tr -d ' ')
if ! [[ $nl =~ ^[0-9]+$ ]] || [ "$nl" -lt 1 ]; then
  fail "cannot read the number of profiles from KALOIN.DAT"
fi

# ---- A private virtual X server; it picks a free display number itself.
# The window's layout is made in pixels for fonts of 75 dots per inch (the
# 14-point legend lines of the overview stand 16 pixels apart), so those
# come first in the font path when they are installed.
fonts=/usr/share/fonts/X11
xvfb_args=()
if [ -d "$fonts/75dpi" ] && [ -d "$fonts/misc" ]; then
  xvfb_args=(-dpi 75 -fp "$fonts/misc,$fonts/75dpi$([ -d "$fonts/100dpi" ] && echo ",$fonts/100dpi")")
fi
Xvfb -displayfd 3 "${xvfb_args[@]}" -screen 0 1280x1024x24 -nolisten tcp \
  3>"$work/display" >/dev/null 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || fail "the virtual X server (Xvfb) did not start: $(head -n 1 "$work/xvfb.log")"
DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
export DISPLAY
xdpyinfo >/dev/null 2>&1 || fail "the virtual X server $DISPLAY does not answer"

echo "KALO first run: a scripted session on a virtual X display ($DISPLAY)."
echo "  folder $dir: KALOIN.DAT (examples/, $nl profiles) and the print command ./print"

# ---- The program, with the terminal answers on its standard input: RET for
# the measured data, noise reduction, start factors, printer 1 and the
# iteration limit; after the graphics N (no HFAC.DAT) and N (no more
# iterations).
printf '\n\n\n\n\nN\nN\n' >"$work/answers"
(cd "$dir" && KALO_PRINT=pdf exec "$bin") <"$work/answers" >"$dir/terminal.txt" 2>&1 &
kalo_pid=$!
echo "  terminal: RET to the data, noise, start-factor, printer and iteration questions"

alive() { kill -0 "$kalo_pid" 2>/dev/null; }
ended_early() {
  fail "KALO ended before $1; its last lines: $(tail -n 3 "$dir/terminal.txt" | tr '\n' ' ')"
}

# ---- The window.
win=""
for _ in $(seq 1 $((step_timeout * 10))); do
  win=$(xdotool search --name '^TOMOGRAPHY$' 2>/dev/null | head -n 1) || true
  [ -n "$win" ] && break
  alive || ended_early "its window opened"
  sleep 0.1
done
[ -n "$win" ] || fail "no window TOMOGRAPHY after ${step_timeout}s"
width=$(xwininfo -id "$win" 2>/dev/null | sed -n 's/^ *Width: *//p')
[ -n "$width" ] || width=1015

# Types an answer into the window and presses Return ("" is Return alone).
# An answer sent before the program asks is taken by its next prompt.
say() {
  if [ -n "$1" ]; then
    xdotool type --window "$win" "$1" 2>/dev/null || fail "cannot type '$1' into the window"
  fi
  xdotool key --window "$win" Return 2>/dev/null || fail "cannot press Return in the window"
}

capture() { xwd -silent -id "$win" >"$1" 2>/dev/null; }

# Whether the picture shows the prompt's cursor: a pure red block of about
# 20 x 30 pixels in the top 45 rows.
has_cursor() {
  local box
  box=$(convert "xwd:$1" -crop "${width}x45+0+0" +repage -fill black +opaque '#FF0000' \
    -format '%@' info: 2>/dev/null) || return 1
  [[ $box =~ ^([0-9]+)x([0-9]+)\+ ]] && [ "${BASH_REMATCH[1]}" -ge 10 ] && [ "${BASH_REMATCH[2]}" -ge 20 ]
}

# Waits until the program asks its next question over a drawn frame: the
# window differs from $work/shown.xwd (unless $1 is "first"), shows the
# cursor, and stays the same for a tenth of a second.  The picture is left
# in $work/shown.xwd.  $2 names the step for messages.
settle() {
  local what=$2 last="$work/last.xwd" now="$work/now.xwd"
  rm -f "$last"
  for _ in $(seq 1 $((step_timeout * 10))); do
    sleep 0.1
    alive || ended_early "$what"
    capture "$now" || continue
    if [ "$1" != first ] && cmp -s "$now" "$work/shown.xwd"; then continue; fi
    if [ -e "$last" ] && cmp -s "$now" "$last" && has_cursor "$now"; then
      mv "$now" "$work/shown.xwd"
      return 0
    fi
    mv "$now" "$last"
  done
  fail "the window did not show $what within ${step_timeout}s"
}

shots=0
# Saves the frame now shown as frames/$1.png.
save() {
  convert "xwd:$work/shown.xwd" "png:$dir/frames/$1.png" || fail "cannot save frames/$1.png"
  shots=$((shots + 1))
}

# ---- The result screens.
settle first "the first question"
say 1
settle next "frame 1, projection 1"
save 1-profiles
say p  # a page of projection 1, then the next one
for l in $(seq 2 "$nl"); do
  settle next "frame 1, projection $l"
  if [ "$l" -lt "$nl" ]; then say ""; fi  # the last one ends at the frame question
done
echo "  frame 1: measured profiles and computed projections, L = 1 to $nl; page of L = 1  -> frames/1-profiles.png"

say 2
settle next "frame 2, projection 1"
save 2-h-factors
say p  # a page of the H-factors of projection 1, then the next one
for l in $(seq 2 "$nl"); do
  settle next "frame 2, projection $l"
  say ""
done
settle next "the frame question after frame 2"
echo "  frame 2: H-factors, L = 1 to $nl, none cut; page of L = 1  -> frames/2-h-factors.png"

say 3
settle next "the contour-count question of frame 3"
say ""  # the default count: 10 lines, non-linear spacing, no labels
settle next "frame 3, the contour plot"
save 3-contour
say p  # a page of the contour plot, then the emittance curve
settle next "frame 3, the emittance curve"
save 3-emittance
say p  # a page of the emittance curve
echo "  frame 3: contour plot (default count -110) and emittance curve; a page of each  -> frames/3-contour.png, frames/3-emittance.png"

names=("" "" "" "" "4-surface" "5-surface-turned" "6-x-projection" "7-angle-projection" "8-overview")
titles=("" "" "" "" "the density in 3-D" "the same from the opposite corner" "projection onto x" "projection onto the angle"
  "overview collection")
for f in 4 5 6 7 8; do
  say "$f"
  settle next "frame $f"
  save "${names[$f]}"
  say p
  echo "  frame $f: ${titles[$f]}; page  -> frames/${names[$f]}.png"
done

say ""  # leave the graphics: KALO.PS is closed and handed to ./print
echo "  left the graphics: KALO ran ./print 1 KALO.PS; terminal: N (store HFAC), N (continue)"
for _ in $(seq 1 $((step_timeout * 10))); do
  alive || break
  sleep 0.1
done
alive && fail "KALO did not end within ${step_timeout}s of leaving the graphics"
status=0
wait "$kalo_pid" || status=$?
kalo_pid=""
[ "$status" -eq 0 ] || fail "KALO ended with exit status $status (see $dir/terminal.txt)"

pages=$(grep -c '^ *showpage' "$dir/KALO.PS" 2>/dev/null || true)
pages=$((${pages:-0} + 1))
[ -s "$dir/KALO.PS" ] || fail "KALO wrote no KALO.PS"
[ -s "$dir/KALO.pdf" ] || fail "./print made no KALO.pdf: $(grep '^print:' "$dir/terminal.txt" | head -n 1)"
grep '^print:' "$dir/terminal.txt" | sed 's/^/  /' || true

last=$(grep '^ ITER=' "$dir/terminal.txt" | tail -n 1 | cut -d, -f1-2 | tr -s ' ')

echo
echo "KALO ended normally (last iteration:$last).  What the session left in $dir:"
echo "  frames/*.png    $shots screenshots of the graphics window"
echo "  KALO.PS         $pages pages; KALO.pdf the same pages as PDF"
echo "  terminal.txt    the terminal dialogue; KALOOUT.DAT the run log"
echo "Where an X display is usable, scripts/run-example.sh lets you answer KALO yourself."
