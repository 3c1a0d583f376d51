#!/usr/bin/env bash
# make-installer with large files: at a terminal it shows its progress on standard error, and
# only there; stopped while it writes it leaves no OUTPUT.partial, and an earlier output stays:
# stopped by a file size limit (SIGXFSZ, at a known point of the write) and, while it writes a
# large file, by every other signal it handles: SIGINT and SIGQUIT (Ctrl+C and Ctrl+\), SIGTERM
# (a service manager), SIGHUP (the terminal closed) and SIGPIPE (a reader gone). A screen saver
# at the size limit is built, inspected and extracted within 64 MiB of address space, and by the
# Windows tool, when given, to the same bytes. Memory it cannot get is said, not thrown.
# Usage: large_files_test.sh MAKE_INSTALLER [WINDOWS_TOOL_COMMAND...]
set -u
export LC_ALL=C WINE_RUN_LANG=en_US.UTF-8 # the checks read the English texts, of both tools
tool=$(realpath "$1") windows=("${@:2}")
work=$(mktemp -d) && cd "$work"
trap 'rm -rf "$work"' EXIT
fail=0
say() { echo "FAIL: $*"; fail=1; }

head -c $((64 << 20)) /dev/zero >big.bin
{ printf 'MZ%058d@\0\0\0PE\0\0L\001' 0; head -c $((1 << 20)) /dev/zero; } >small.bin
at_terminal() { script -qec "$(printf '%q ' "$tool" "$@") 2>&1 >/dev/null" /dev/null | tr -d '\r'; }
grep -q 'writing big.scr: 100%' <(at_terminal header big.bin -o big.scr) ||
  say "no progress at a terminal for a large file"
[ -z "$(at_terminal header small.bin -o small.scr)" ] || say "progress for a small file"
[ -z "$("$tool" header big.bin -o big.scr 2>&1 >/dev/null)" ] || say "progress when redirected"

# An installer larger than the installer can map is no installer, whatever its package says.
"$tool" header small.bin -o small.scr >/dev/null && "$tool" build small.scr -o huge.exe >/dev/null
truncate -s 1100M huge.exe
"$tool" inspect huge.exe | grep -q '^  size .*1073741824 bytes (1 GiB)' && [ "${PIPESTATUS[0]}" = 1 ] ||
  say "inspect takes an installer of 1100 MiB for one that installs"
rm -f huge.exe

echo earlier >out.scr
(ulimit -f 1024 && exec "$tool" header big.bin -o out.scr) 2>/dev/null
[ $? -gt 128 ] || say "a write past the file size limit did not end the tool"
(trap '' XFSZ && ulimit -f 1024 && exec "$tool" header big.bin -o out.scr) 2>/dev/null
[ $? = 1 ] || say "a write that failed did not end as a refusal"
[ ! -e out.scr.partial ] || say "stopped by the file size limit, it leaves out.scr.partial"
[ "$(cat out.scr)" = earlier ] || say "stopped by the file size limit, it changed the earlier output"
(ulimit -v 65536 && exec "$tool" header small.bin --splash big.bin -o out.scr) 2>&1 >/dev/null |
  grep -q '^make-installer: not enough memory' && [ "${PIPESTATUS[0]}" = 1 ] ||
  say "a picture larger than the memory left does not end with a message and exit 1"
[ "$(cat out.scr)" = earlier ] || say "out of memory, it changed the earlier output"

# A device or a pipe is no file: /dev/zero never ends, a FIFO nobody writes to never begins.
mkfifo fifo.scr
for args in "header small.bin --splash /dev/zero -o out.scr" "build fifo.scr -o out.exe"; do
  timeout 20 "$tool" $args 2>&1 | grep -q 'not a file' || say "$args: not refused as no file"
done
# On Windows, devices by name: NUL gives nothing, CON would wait for the keyboard.
[ ${#windows[@]} -eq 0 ] || for device in NUL CON; do
  timeout 60 "${windows[@]}" header small.bin --splash $device -o out.scr </dev/null >device.txt 2>&1
  [ $? = 1 ] && { [ $device = CON ] || grep -q 'not a file' device.txt; } ||
    say "the Windows tool takes $device as a picture: $(cat device.txt)"
done

# Sparse but for stamps that show a piece of the copy lost, repeated or out of place.
truncate -s $(((1 << 30) - (32 << 10) - 198)) limit.scr
printf 'MZ%058d@\0\0\0PE\0\0L\001' 0 | dd of=limit.scr conv=notrunc status=none # an x86 program
for at in 1 5 9 13; do
  printf 'stamp %d' $at | dd of=limit.scr bs=1 seek=$((at * 64 << 20 - 3)) conv=notrunc status=none
done
{ printf '@@@@@-----boundary of %s-----@@@@@' 'saver and data' && head -c 152 /dev/zero; } >>limit.scr
# In the emulated guest a GiB would take minutes; where Wine runs natively it is checked.
[ ${#windows[@]} -eq 0 ] || [ "$("$(dirname "${windows[0]}")/wine-env" way)" = native ] || windows=()
for side in native windows; do
  run=("$tool") && [ $side = native ] || run=("${windows[@]}")
  [ ${#run[@]} -gt 0 ] || continue
  (ulimit -v $([ $side = native ] && echo 65536 || echo unlimited) &&
    "${run[@]}" build limit.scr -o $side.exe && "${run[@]}" inspect $side.exe --json >$side.json &&
    "${run[@]}" extract $side.exe -o $side.scr) >/dev/null 2>&1 || say "$side: no round trip at the limit"
  cmp -s $side.scr limit.scr || say "$side: extract at the limit gives other bytes"
  rm -f $side.scr
done
if [ ${#windows[@]} -gt 0 ]; then
  cmp -s native.exe windows.exe && cmp -s native.json <(tr -d '\r' <windows.json) ||
    say "the tools build or inspect a screen saver at the limit differently"
fi
rm -f limit.scr native.exe windows.exe

set -m # so that a job in the background still takes SIGINT and SIGQUIT, as at a terminal
ulimit -c 0 # SIGQUIT ends it with a core dump otherwise
head -c $((32 << 20)) /dev/zero >large.bin # written in steps: a signal comes mid-write
for signal in INT TERM HUP QUIT PIPE; do
  "$tool" header large.bin -o large.scr 2>/dev/null &
  pid=$!
  until [ -e large.scr.partial ] || ! kill -0 $pid 2>/dev/null; do :; done
  kill -s $signal $pid 2>/dev/null
  wait $pid
  [ ! -e large.scr.partial ] || say "stopped by SIG$signal, it leaves large.scr.partial"
  rm -f large.scr
done
exit $fail
