#!/usr/bin/env bash
# A Win32 program's exit status comes back through every way the runner runs it (the build's
# prefix, --alt, --screen; under native Wine or through the guest machine): were it lost, every
# test would pass. Each way gets a status of its own, so none can pass with another's.
# Usage: exit_status_test.sh WINE_RUN_COMMAND...
set -u
fail=0
while read -r status options; do
  # shellcheck disable=SC2086 # the options are words
  "$@" $options cmd /c exit "$status" </dev/null >/dev/null
  got=$?
  [ "$got" = "$status" ] || { echo "FAIL: wine-run $options: exit $status gave $got"; fail=1; }
done <<'WAYS'
3
5 --alt
6 --screen 800x600x16
WAYS
exit $fail
