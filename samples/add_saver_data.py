#!/usr/bin/env python3
"""Appends the data header that the installer reads to a screen saver program, with a splash
picture drawn here: a crescent moon and stars on black (black shows the installer's background
through). Usage: add_saver_data.py PROGRAM.SCR OUTPUT.SCR"""
import math
import struct
import sys

SAVER_BOUNDARY = b"@@@@@-----boundary of saver and data-----@@@@@"


def splash_dib(width=192, height=128):
    stride = (width * 3 + 3) // 4 * 4
    rows = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for x in range(width):
            colour = (0, 0, 0)
            dx, dy = x - 60, y - 60
            inner_dx, inner_dy = x - 78, y - 48
            if dx * dx + dy * dy <= 44 * 44 and inner_dx * inner_dx + inner_dy * inner_dy > 40 * 40:
                shade = 200 + int(55 * (1 - abs(dy) / 44))
                colour = (shade, shade, 120)  # pale yellow crescent
            for sx, sy, r in ((130, 30, 5), (165, 70, 4), (120, 100, 3), (175, 20, 3)):
                if abs(x - sx) + abs(y - sy) <= r and (x == sx or y == sy or abs(x - sx) + abs(y - sy) <= r // 2):
                    colour = (255, 255, 255)
            r, g, b = colour
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        rows += row
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return header + bytes(rows)


def data_header(splash):
    first_block = b"Starlight settings v1\0".ljust(32, b"\0")
    second_block = struct.pack("<II", 120, 40)  # stars, tick in ms
    header = bytearray(SAVER_BOUNDARY)
    header += bytes(132)                       # saver data the installer does not read
    header += struct.pack("<I", len(splash))   # SplashDibLength
    header += bytes(4)
    header += struct.pack("<I", len(first_block)) + first_block
    header += struct.pack("<I", len(second_block)) + second_block + bytes(4)
    return bytes(header) + splash


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as source:
        program = source.read()
    if SAVER_BOUNDARY in program:
        sys.exit("add_saver_data: the program already carries a data header")
    with open(sys.argv[2], "wb") as out:
        out.write(program + data_header(splash_dib()))


if __name__ == "__main__":
    main()
