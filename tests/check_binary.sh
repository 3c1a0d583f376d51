#!/usr/bin/env bash
# What setup.exe is made of: a 32-bit GUI program that imports from four system DLLs only (no
# C runtime), exports the 21 block operations by name at ordinals 1-21, and holds neither marker
# whole.
set -euo pipefail
exe=$1
dump=$(i686-w64-mingw32-objdump -p "$exe")
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; else echo "ok: $1"; fi; }

check "32-bit PE" 'grep -q "file format pei-i386" <<<"$dump"'
check "GUI subsystem" 'grep -Eq "^Subsystem\s+00000002" <<<"$dump"'

dlls=$(grep -i 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}' | sort -u | tr '\n' ' ')
echo "imports: $dlls"
for dll in $dlls; do
  case "$dll" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll) ;;
    *) echo "FAIL: imports from $dll"; fail=1 ;;
  esac
done

expected="AllocH AllocPtr AllocVirPtr CalcCheckSum CalcCheckSum2 EqualPtr FreeH FreePtr FreeVirPtr
GetCopyH GetPtrCopy GetPtrLen GetVirPtrCopy GetVirPtrLen HandleFromPtr HandleToPtr PtrFromHandle
PtrToHandle ReAllocPtr ReAllocPtr2 ReAllocVirPtr"
# objdump lists the name table as "[index] name", the index counting from the ordinal base.
base=$(sed -nE 's/^Ordinal Base\s+([0-9]+).*/\1/p' <<<"$dump")
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" \
  | sed -nE 's/^\s*\[\s*([0-9]+)\]\s+(\S+)$/\1 \2/p' | awk -v b="$base" '{print $1 + b, $2}' | sort -n)
wanted=$(i=0; for name in $expected; do i=$((i + 1)); echo "$i $name"; done)
check "exactly the 21 undecorated names at ordinals 1-21" '[ "$exports" = "$wanted" ]'

for marker in "boundary of setup and data" "boundary of saver and data"; do
  check "no whole marker \"$marker\"" "! grep -aqF -- '@@@@@-----$marker-----@@@@@' '$exe'"
done
check "marker pieces are present" "grep -aqF -- 'boundary of setup and data' '$exe'"
echo "size: $(stat -c %s "$exe") bytes"
exit $fail
