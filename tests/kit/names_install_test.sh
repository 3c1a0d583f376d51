#!/usr/bin/env bash
# Names typed as text under a UTF-8 locale land as themselves: installers that the Linux tool
# builds from 星空.scr, and under --name ソフト.scr, install and register those names under Wine.
# usage: names_install_test.sh MAKE_INSTALLER WIN32_BUILD_DIR
set -euo pipefail
export LC_ALL=C.UTF-8
tool=$(realpath "$1") build=$(cd "$2" && pwd) root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
wine() { "$root/runner/wine-run" --build "$build" "$@" 2>/dev/null | tr -d '\r'; }
"$tool" header "$build/starlight.scr" -o plain.scr >/dev/null
cp plain.scr 星空.scr
"$tool" build 星空.scr -o star.exe >/dev/null
"$tool" build plain.scr --name ソフト.scr -o soft.exe >/dev/null
fail=0
for run in star.exe:星空.scr soft.exe:ソフト.scr; do
  exe=${run%%:*} name=${run#*:} installed="C:\\windows\\system32\\${run#*:}"
  rm -f installed.scr registered.scr
  wine cmd /c del "$installed" >/dev/null || true
  wine "$build/preview.exe" "$exe" . >/dev/null
  # The prefix may be in a guest machine: Wine itself copies out the file by its name and by the
  # path the registry holds (its short form), which must be gone once the name is deleted.
  wine cmd /c copy /b "$installed" installed.scr >/dev/null || true
  value=$(wine reg query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE | sed -n 's/.*REG_SZ *//p')
  wine cmd /c copy /b "$value" registered.scr >/dev/null || true
  wine cmd /c del "$installed" >/dev/null || true
  cmp -s installed.scr plain.scr || { echo "FAIL: $exe did not install $name"; fail=1; }
  cmp -s registered.scr plain.scr && [ -z "$(wine cmd /c if exist "$value" echo left)" ] ||
    { echo "FAIL: $exe registered \"$value\", not $name"; fail=1; }
done
exit $fail
