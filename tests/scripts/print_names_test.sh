#!/bin/sh
# The print command with awkward names and files: a name that begins with
# "-" is a file, not an option; a failed conversion keeps the old PDF; an
# empty file, and a PDF that is a folder, are refused with one line and
# status 1.  Usage: print_names_test.sh SCRIPTS_DIR
print=$(cd "$1" && pwd)/print
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
export KALO_PRINT=pdf
fails=0
# expect STATUS FILE: runs the print command on FILE; it must end with
# STATUS and, when it fails, say why in one line on standard error.
expect() {
  sh "$print" 1 "$2" >out 2>err
  status=$?
  ok=yes
  [ "$status" -eq "$1" ] || ok=no
  if [ "$1" -ne 0 ]; then
    [ "$(wc -l <err)" -eq 1 ] && grep -q '^print: ' err || ok=no
  fi
  if [ "$ok" = no ]; then
    echo "print 1 '$2': status $status, said: $(cat out err)"
    fails=$((fails + 1))
  fi
}
page='%!PS
showpage'
printf '%s\n' "$page" >-x.ps
expect 0 -x.ps
[ -s ./-x.pdf ] || { echo "no PDF of -x.ps"; fails=$((fails + 1)); }
: >KALO.PS
expect 1 KALO.PS
: >./-
expect 1 -
echo garbage >KALO.PS
echo old >KALO.pdf
expect 1 KALO.PS
[ "$(cat KALO.pdf)" = old ] || { echo "the old KALO.pdf is lost"; fails=$((fails + 1)); }
rm KALO.pdf && mkdir KALO.pdf
printf '%s\n' "$page" >KALO.PS
expect 1 KALO.PS
[ "$(ls -A | grep -c part)" -eq 0 ] || { echo "a part file is left"; fails=$((fails + 1)); }
exit "$fails"
