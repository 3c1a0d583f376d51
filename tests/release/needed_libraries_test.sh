#!/usr/bin/env bash
# The Linux make-installer runs on other distributions: the C++ and GCC runtimes are linked in,
# and it needs nothing but the C library's own files.
#   needed_libraries_test.sh MAKE_INSTALLER
set -euo pipefail
needed=$(readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
echo "needed: $needed"
for library in $needed; do
  case "$library" in
    libc.so.6 | libm.so.6 | ld-linux-*.so.2) ;;
    *) echo "FAIL: needs $library"; exit 1 ;;
  esac
done
glibc=$(objdump -T "$1" | grep -o 'GLIBC_[0-9.]*' | sort -uV | tail -1)
echo "ok: only the C library, at least $glibc"
