#!/usr/bin/env python3
"""make_cp932_table.py OUTPUT.cpp: the double-byte half of Windows' code page 932 as the kit's
names need it, taken from Python's cp932 codec (the same table: JIS X 0208, NEC row 13, the
NEC-selected IBM extensions at 0xED-0xEE and the IBM extensions at 0xFA-0xFC). The user-defined
rows (leads 0xF0-0xF9) are left out: their characters are whatever a machine's own font draws."""
import os
import sys

LEADS = [lead for lead in range(0x81, 0xFD) if lead < 0xA0 or 0xE0 <= lead < 0xF0 or lead >= 0xFA]
TRAILS = [trail for trail in range(0x40, 0xFD) if trail != 0x7F]


def unit(lead, trail):
    try:
        text = bytes((lead, trail)).decode('cp932')
    except UnicodeDecodeError:
        return 0
    return ord(text) if len(text) == 1 and ord(text) < 0x10000 else 0


rows = []
for lead in range(0x81, 0xFD):
    if lead in LEADS:
        rows.append(', '.join(f'0x{unit(lead, trail):04X}' for trail in TRAILS))
    elif lead < 0xA0 or lead >= 0xE0:
        rows.append(', '.join(['0'] * len(TRAILS)))
text = ('// Made by tools/core/make_cp932_table.py from Python\'s cp932 codec; do not edit.\n'
        '#include <stdint.h>\n\n'
        '// UTF-16 of lead 0x81-0x9F and 0xE0-0xFC, trail 0x40-0xFC without 0x7F; 0: none.\n'
        'extern const uint16_t kCp932DoubleBytes[60 * 188] = {\n' +
        ''.join(f'    {row},\n' for row in rows) + '};\n')
output = sys.argv[1]
with open(output + '.new', 'w', encoding='ascii', newline='\n') as f:
    f.write(text)
os.replace(output + '.new', output)
