#!/usr/bin/env bash
# setup.exe built a second time, in another folder, a second later, under another time zone,
# umask and language, must be the build's own bytes: no build path, clock or locale gets in.
#   second_build_test.sh SOURCE_FOLDER BUILT_SETUP_EXE
set -euo pipefail
source=$1 built=$2
other=$(mktemp -d "${TMPDIR:-/tmp}/second-build.XXXXXX")
trap 'rm -rf "$other"' EXIT
sleep 1
(
  umask 0077
  export TZ=Pacific/Kiritimati LANG=ja_JP.UTF-8
  unset LC_ALL
  cmake --no-warn-unused-cli -S "$source" -B "$other" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$source/cmake/i686-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$other" --target setup >/dev/null
)
if ! cmp "$built" "$other/setup.exe"; then
  echo "FAIL: a second build of setup.exe differs from $built"
  exit 1
fi
echo "ok: a second build in $other gives the same $(stat -c %s "$built") bytes," \
  "sha256 $(sha256sum "$built" | cut -d' ' -f1)"
