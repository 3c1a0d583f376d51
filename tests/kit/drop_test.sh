#!/usr/bin/env bash
# Files dropped onto make-installer.exe (under Wine, as its only arguments): a screen saver alone
# or with a picture in either order gives the installer that header and build give from the same
# files, with build's output and inspect's report; the author's files stay as they were; a drop
# that is refused writes nothing.
# Usage: drop_test.sh SPLASH.BMP WINDOWS_TOOL_COMMAND...
set -u
splash=$(realpath "$1") tool=("${@:2}")
export WINE_RUN_LANG=en_US.UTF-8
work=$(mktemp -d) && cd "$work"
trap 'rm -rf "$work"' EXIT
fail=0
say() { echo "FAIL: $*"; fail=1; }
run() { "${tool[@]}" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

{ printf 'MZ%058d@\0\0\0PE\0\0L\001' 0; seq 3000; } >program.bin # the headers of an x86 program, then its bytes
cp "$splash" picture.bmp
run header program.bin -o ready.scr >/dev/null
cp program.bin in-place.scr && run header in-place.scr >/dev/null && cmp -s in-place.scr ready.scr ||
  say "header without -o does not give the screen saver its data header in place"
cp program.bin raw.scr && cp ready.scr ready.orig && cp picture.bmp picture.orig

# drop SAVER REFERENCE_SAVER ARGS...: the drop of ARGS builds SAVER's installer as build does
# from REFERENCE_SAVER under SAVER's name, and says what build and inspect say.
drop() {
  local saver=$1 reference=$2 setup=${1%.scr}Setup.exe
  shift 2
  rm -f "$setup"
  run "$@" >dropped.txt || say "the drop of $* exits $?"
  mv "$setup" dropped.exe || { say "the drop of $* wrote no $setup"; return; }
  { run build "$reference" --name "$saver" -o "$setup" && echo && run inspect "$setup"; } >built.txt
  cmp -s dropped.exe "$setup" || say "the drop of $* differs from build"
  cmp -s dropped.txt built.txt || say "the drop of $* does not print build's line and inspect's report"
}
drop ready.scr ready.scr ready.scr
run header raw.scr --splash picture.bmp -o pictured.scr >/dev/null
drop raw.scr pictured.scr raw.scr picture.bmp
drop raw.scr pictured.scr picture.bmp raw.scr
cmp -s raw.scr program.bin && cmp -s ready.scr ready.orig && cmp -s picture.bmp picture.orig ||
  say "a drop changed the author's files"

# refused CODE ARGS...: exits CODE and leaves no installer and no part of one.
refused() {
  local want=$1
  shift
  rm -f ./*Setup.exe*
  run "$@" >/dev/null
  local code=$?
  [ "$code" = "$want" ] || say "the drop of $* exits $code, not $want"
  [ -z "$(ls ./*Setup.exe* 2>/dev/null)" ] || say "the refused drop of $* wrote a file"
}
refused 1 raw.scr                 # no data header, and no picture to give it one
refused 1 ready.scr picture.bmp   # a data header already
refused 1 raw.scr program.bin.png # no such picture
refused 2 ready.scr raw.scr
refused 2 picture.bmp
refused 2 ready.scr notes.txt
run >guide.txt
[ $? = 2 ] && grep -q 'Drop your screen saver' guide.txt || say "with nothing dropped, no guide"
exit $fail
