#!/usr/bin/env bash
# Signed installers install their screen saver unaltered: one signed after building, and one
# whose screen saver was itself signed before packing, which must keep its own signature.
# usage: signing_test.sh MAKE_INSTALLER WIN32_BUILD_DIR
set -euo pipefail
export LC_ALL=C # the checks read the English report
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
# The prefix may be in a guest machine, so Wine itself deletes and copies out the installed file.
installed='C:\windows\system32\e2e_signing.scr'
wine_cmd() { "$root/runner/wine-run" --build "$build" cmd /c "$@" >/dev/null 2>&1 || true; }
for saver in plain.scr signed.scr; do
  "$tool" build "$saver" --name e2e_signing.scr -o setup.exe >/dev/null
  [ $(($(stat -c %s setup.exe) % 8)) -eq 0 ] || { echo "FAIL: $saver: length not a multiple of 8"; exit 1; }
  sign setup.exe setup-signed.exe
  verify setup-signed.exe
  "$tool" inspect setup-signed.exe | grep -q '^stub: .*signature: yes' \
    || { echo "FAIL: $saver: inspect shows no signature"; exit 1; }
  "$tool" extract setup-signed.exe -o extracted.scr >/dev/null
  cmp extracted.scr "$saver" || { echo "FAIL: $saver: extract differs"; exit 1; }
  wine_cmd del "$installed"
  rm -f installed.scr
  "$root/runner/wine-run" --build "$build" "$build/preview.exe" setup-signed.exe . >/dev/null
  wine_cmd copy /b "$installed" installed.scr
  cmp installed.scr "$saver" || { echo "FAIL: $saver: the installed file differs"; exit 1; }
  wine_cmd del "$installed"
done
verify signed.scr
echo "signed installers install their screen savers byte for byte"
