#!/usr/bin/env python3
"""Copies the manifest without its comments and the blanks between its elements: those are for
the people who read the source, and every byte of them would be carried by every installer."""
import re
import sys

source, target = sys.argv[1], sys.argv[2]
text = open(source, encoding='utf-8').read()
text = re.sub(r'<!--.*?-->', '', text, flags=re.S)
text = re.sub(r'>\s+<', '><', text).strip() + '\n'
open(target, 'w', encoding='utf-8').write(text)
