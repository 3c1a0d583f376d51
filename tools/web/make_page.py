#!/usr/bin/env python3
"""make_page.py TEMPLATE KIT.WASM OUTPUT: the page with the kit's WebAssembly inlined, so that
it works as one file, opened from disk as well as from any web host."""
import base64
import os
import sys

template, wasm, output = sys.argv[1:]
with open(template, encoding='utf-8') as f:
    page = f.read()
if page.count('@KIT_WASM@') != 1:
    sys.exit(f'make_page: {template} must name @KIT_WASM@ once')
with open(wasm, 'rb') as f:
    page = page.replace('@KIT_WASM@', base64.b64encode(f.read()).decode('ascii'))
with open(output + '.new', 'w', encoding='utf-8', newline='\n') as f:
    f.write(page)
os.replace(output + '.new', output)
