#!/usr/bin/env bash
# Signed installers install their screen saver unaltered: one signed after building, and one
# whose screen saver was itself signed before packing, which must keep its own signature. Their
# names, typed as text under a UTF-8 locale (星空.scr, and ソフト.scr by --name), land and are
# registered as themselves.
# usage: signing_test.sh MAKE_INSTALLER WIN32_BUILD_DIR
set -euo pipefail
export LC_ALL=C.UTF-8 # the checks read the English report
tool=$(realpath "$1") build=$(cd "$2" && pwd) root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=signing-test -days 2 \
  -addext extendedKeyUsage=codeSigning -keyout key.pem -out cert.pem 2>/dev/null
sign() { rm -f "$2"; osslsigncode sign -certs cert.pem -key key.pem -in "$1" -out "$2" >/dev/null; }
verify() { osslsigncode verify -CAfile cert.pem -in "$1" >/dev/null || { echo "FAIL: $1 does not verify"; exit 1; }; }

"$tool" header "$build/starlight.scr" --splash "$root/samples/starlight-splash.bmp" -o plain.scr >/dev/null
sign plain.scr signed.scr
cp plain.scr 星空.scr
# The prefix may be in a guest machine, so Wine itself deletes and copies out the installed file,
# by its name and by the path the registry holds (its short form, gone with the file).
wine_cmd() { "$root/runner/wine-run" --build "$build" cmd /c "$@" 2>/dev/null | tr -d '\r' || true; }
for run in 星空.scr 'signed.scr --name ソフト.scr'; do
  set -- $run
  saver=$1 installed="C:\\windows\\system32\\${3:-$1}"
  "$tool" build "$@" -o setup.exe >/dev/null
  [ $(($(stat -c %s setup.exe) % 8)) -eq 0 ] || { echo "FAIL: $saver: length not a multiple of 8"; exit 1; }
  sign setup.exe setup-signed.exe
  verify setup-signed.exe
  "$tool" inspect setup-signed.exe | grep -q '^stub: .*signature: yes' \
    || { echo "FAIL: $saver: inspect shows no signature"; exit 1; }
  name=${3:-$1}
  "$tool" inspect setup-signed.exe | grep -q "^removal: .*adds \"${name%.*} スクリーンセーバー\" to Apps" ||
    { echo "FAIL: $saver: inspect does not say it adds an entry to Apps & features"; exit 1; }
  "$tool" extract setup-signed.exe -o extracted.scr >/dev/null
  cmp extracted.scr "$saver" || { echo "FAIL: $saver: extract differs"; exit 1; }
  wine_cmd del "$installed" >/dev/null
  rm -f installed.scr registered.scr
  "$root/runner/wine-run" --build "$build" "$build/preview.exe" setup-signed.exe . >/dev/null
  wine_cmd copy /b "$installed" installed.scr >/dev/null
  value=$("$root/runner/wine-run" --build "$build" reg query 'HKCU\Control Panel\Desktop' /v \
    SCRNSAVE.EXE 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
  wine_cmd copy /b "$value" registered.scr >/dev/null
  wine_cmd del "$installed" >/dev/null
  # The copy that removes it again is the program without the package, naming no signature that
  # the system would look for past its end.
  rm -f copy.exe
  wine_cmd copy /b "C:\\Program Files\\${name%.*} スクリーンセーバー\\uninstall.exe" copy.exe >/dev/null
  pe=$(od -An -tu4 -j60 -N4 copy.exe 2>/dev/null | tr -d ' ')
  extra=$(($(stat -c %s copy.exe 2>/dev/null || echo 0) - $(stat -c %s "$build/setup.exe")))
  [ "$extra" -ge 0 ] && [ "$extra" -lt 8 ] &&
    [ "$(od -An -tx1 -j$((pe + 152)) -N8 copy.exe | tr -d ' \n')" = 0000000000000000 ] ||
    { echo "FAIL: $saver: no removal program, or one that names a signature"; exit 1; }
  "$root/runner/wine-run" --build "$build" reg delete \
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${name%.*} スクリーンセーバー" /f >/dev/null 2>&1 || true
  wine_cmd rd /s /q "C:\\Program Files\\${name%.*} スクリーンセーバー" >/dev/null
  cmp installed.scr "$saver" || { echo "FAIL: $saver: not installed as $installed"; exit 1; }
  cmp -s registered.scr "$saver" && [ -z "$(wine_cmd if exist "$value" echo left)" ] ||
    { echo "FAIL: $saver: registered as \"$value\", not $installed"; exit 1; }
done
verify signed.scr
echo "signed installers install their screen savers byte for byte"
