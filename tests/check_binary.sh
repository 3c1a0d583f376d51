#!/usr/bin/env bash
# What setup.exe is made of: a 32-bit GUI program that imports from four system DLLs only (no
# C runtime), exports the 21 block operations by name at ordinals 1-21, holds neither marker
# whole, is hardened and stays small.
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
# Hardening, read from the headers themselves: DllCharacteristics NO_SEH (0x400), NX (0x100)
# and DYNAMICBASE (0x40) with relocations to move by; no section both writable and executable;
# the checksum the header holds is the file's.
shape=$(python3 - "$exe" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', data, 0x3C)[0]
sections, optional_size = struct.unpack_from('<H', data, pe + 6)[0], struct.unpack_from('<H', data, pe + 20)[0]
opt = pe + 24
checksum_at = opt + 64
flags = struct.unpack_from('<H', data, opt + 70)[0]
relocs = struct.unpack_from('<II', data, opt + 96 + 5 * 8)
wx = []
for i in range(sections):
    at = opt + optional_size + 40 * i
    name = data[at:at + 8].rstrip(b'\0').decode()
    if struct.unpack_from('<I', data, at + 36)[0] & 0xA0000000 == 0xA0000000:
        wx.append(name)
stored = struct.unpack_from('<I', data, checksum_at)[0]
# The sum of the file's 16-bit words, carries folded in, with the checksum field as zero.
zeroed = data[:checksum_at] + bytes(4) + data[checksum_at + 4:] + bytes(len(data) % 2)
total = 0
for (word,) in struct.iter_unpack('<H', zeroed):
    total += word
    total = (total & 0xFFFF) + (total >> 16)
print('dllcharacteristics=0x%04x relocations=%d writable_and_executable=%s checksum=0x%08x computed=0x%08x'
      % (flags, relocs[1], ','.join(wx) or 'none', stored, total + len(data)))
PY
)
echo "$shape"
flags=$(sed -nE 's/.*dllcharacteristics=(0x[0-9a-f]+).*/\1/p' <<<"$shape")
check "NO_SEH, NX and DYNAMICBASE set" '[ $((flags & 0x540)) -eq $((0x540)) ]'
check "relocations to move by" '! grep -q "relocations=0 " <<<"$shape"'
check "no section both writable and executable" 'grep -q "writable_and_executable=none" <<<"$shape"'
check "the header's checksum is the file's" \
  '[ "$(sed -nE "s/.*checksum=(0x[0-9a-f]+).*/\1/p" <<<"$shape")" = "$(sed -nE "s/.*computed=(0x[0-9a-f]+).*/\1/p" <<<"$shape")" ]'
size=$(stat -c %s "$exe")
check "at most 28,672 bytes ($size)" '[ "$size" -le 28672 ]'
exit $fail
