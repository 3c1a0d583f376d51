#!/usr/bin/env bash
# make-installer natively and as make-installer.exe under Wine: the same files and output from
# the same inputs, the same refusals with the same exit codes, and no output file after one.
# Both speak Japanese here, so every case compares the translated texts too, refusals included.
# Usage: parity_test.sh NATIVE_TOOL SPLASH.BMP WINDOWS_TOOL_COMMAND...
set -u
unset LC_ALL LC_MESSAGES
export LANG=ja_JP.UTF-8 WINE_RUN_LANG=ja_JP.UTF-8
native=$1 splash=$2 windows=("${@:3}")
work=$(mktemp -d) && cd "$work"
trap 'rm -rf "$work"' EXIT
fail=0
say() { echo "FAIL: $*"; fail=1; }

# check CODE OUTPUT ARGS...: both tools exit with CODE and print the same; on 0 both wrote the
# same OUTPUT (kept for the next checks; "-" for none), else neither left OUTPUT; never a part.
check() {
  local want=$1 out=$2 tool code
  shift 2
  for tool in native windows; do
    rm -f -- "$out" "$out.partial"
    if [ $tool = native ]; then "$native" "$@"; else "${windows[@]}" "$@"; fi 2>&1 |
      tr -d '\r' >"$tool.txt"; code=${PIPESTATUS[0]}
    [ "$code" = "$want" ] || say "$tool exits $code, not $want: $*"
    { [ "$want" = 0 ] || [ ! -e "$out" ]; } && [ ! -e "$out.partial" ] || say "$tool leaves $out: $*"
    [ "$want" != 0 ] || [ "$out" = - ] || mv "$out" "$tool.bin"
  done
  cmp -s native.txt windows.txt || say "the tools print differently: $*"
  [ "$want" != 0 ] || [ "$out" = - ] || { cmp -s native.bin windows.bin && mv native.bin "$out"; } ||
    say "the tools write different files: $*"
}

{ printf 'MZ%058d@\0\0\0PE\0\0L\001' 0; seq 3000; } >program.bin # the headers of an x86 program, then its bytes
long=$(printf 'L%.0s' {1..235}).scr # 239 bytes: the longest name the system folder takes
check 0 saver.scr header program.bin --splash "$splash" -o saver.scr
check 0 setup.exe build saver.scr -o setup.exe
check 0 long.exe build saver.scr -o long.exe --name "$long"
check 0 - inspect setup.exe --json
check 0 back.scr extract setup.exe -o back.scr
cmp -s back.scr saver.scr || say "extract does not give the screen saver back"

# Names are text in both; the Windows tool takes its command line as UTF-16, so a drop under an
# English Windows (code page 1252) gives the same bytes. extract writes the name back as text.
cp saver.scr 星空.scr
check 0 星空Setup.exe build 星空.scr
check 0 soft.exe build saver.scr -o soft.exe --name ソフト.scr
LANG=en_US.UTF-8 WINE_RUN_LANG=en_US.UTF-8 check 0 星空Setup.exe 星空.scr
check 0 星空.scr extract 星空Setup.exe
for name in Café.scr 😀.scr '24/7 Clock.scr' 'What?.scr'; do
  check 1 out.exe build saver.scr -o out.exe --name "$name"
done

# Pictures as authors keep them, decoded to the same bytes: PNG with alpha from opaque to clear,
# progressive JPEG, JPEG with restart markers, run-length BMP; a PNG cut short is refused alike.
convert -size 40x30 gradient:'rgba(255,0,0,1)-rgba(0,0,255,0)' PNG32:picture.png &&
  convert -size 40x30 gradient:red-blue -interlace JPEG picture.jpg &&
  convert -size 40x30 gradient:red-blue -sampling-factor 2x1 -define jpeg:restart-interval=1 \
    picture-rst.jpg &&
  convert -size 40x30 gradient:red-blue -colors 16 -compress RLE bmp3:picture-rle.bmp &&
  head -c 200 picture.png >cut.png && { head -c 400 picture.jpg && printf '\377\331'; } >half.jpg &&
  convert -size 64x48 plasma:fractal -seed 3 -interlace JPEG plasma.jpg &&
  last=$(LC_ALL=C grep -obUaP '\xFF\xDA' plasma.jpg | tail -1 | cut -d: -f1) &&
  { head -c $(((last + $(stat -c %s plasma.jpg)) / 2)) plasma.jpg && printf '\377\331'; } >last.jpg ||
  say "ImageMagick cannot write the test pictures"
for picture in picture.png picture.jpg plasma.jpg picture-rst.jpg picture-rle.bmp; do
  check 0 pictured.scr header program.bin --splash $picture -o pictured.scr
done
# half.jpg: its last scans cut off, an end marker after them; last.jpg: cut inside its last scan
for picture in cut.png half.jpg last.jpg; do
  check 1 out.scr header program.bin --splash $picture -o out.scr
done
cp program.bin raw.scr # dropped files, and the drop's report
check 0 rawSetup.exe picture.png raw.scr
check 1 rawSetup.exe raw.scr

head -c -1 saver.scr >cut-splash.scr
head -c $(($(stat -c %s program.bin) + 100)) saver.scr >cut-header.scr
printf 'MZ@@@@@-----boundary of %s-----@@@@@' 'setup and data' >marked.exe
check 1 out.exe build saver.scr -o out.exe --name '..\x.scr'
check 1 out.exe build saver.scr -o out.exe --name CON.scr
truncate -s 1G huge.scr # one byte of room short for the installer program
check 1 out.exe build huge.scr -o out.exe
check 1 out.scr header huge.scr -o out.scr
check 1 out.exe build saver.scr -o out.exe --name BUBBLES.scr
check 1 out.exe build saver.scr -o out.exe --name ssText3d.SCR
check 1 out.exe build saver.scr -o out.exe --name "L$long"
check 1 out.exe build program.bin -o out.exe
check 1 out.exe build setup.exe -o out.exe
check 1 out.exe build cut-header.scr -o out.exe
check 1 out.exe build cut-splash.scr -o out.exe
check 1 out.exe build saver.scr -o out.exe --stub marked.exe
check 1 out.exe build missing.scr -o out.exe
check 1 out.scr header saver.scr -o out.scr
check 1 out.scr header program.bin --splash program.bin -o out.scr
check 1 out.scr extract saver.scr -o out.scr
check 2 out.exe build saver.scr -o out.exe --colour red

# An output that is one of the inputs, by another path or a hard link, is refused: the input stays.
cp saver.scr own.scr && cp "$splash" own.bmp && cp setup.exe own.exe && ln own.scr link.scr
head -c "$(LC_ALL=C "$native" inspect setup.exe | sed -n 's/^stub: *\([0-9]*\) bytes.*/\1/p')" setup.exe >stub.exe
cp stub.exe own-stub.exe
for refused in "build own.scr -o ./own.scr" "build own.scr -o link.scr" \
  "build saver.scr --stub own-stub.exe -o own-stub.exe" \
  "header saver.scr --splash own.bmp -o own.bmp" "extract own.exe -o ./own.exe"; do
  check 1 - $refused
done
cmp -s own.scr saver.scr && cmp -s own.bmp "$splash" && cmp -s own.exe setup.exe &&
  cmp -s own-stub.exe stub.exe || say "a refused output replaced its input"
exit $fail
