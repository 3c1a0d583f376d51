#!/usr/bin/env python3
"""Draws the program's icon, a small monitor showing a star, and writes it as an .ico file with
three 32 x 32 images: 2 colours (1 bit per pixel), 8 and 16 colours (4 bits per pixel).
Usage: make_icon.py OUTPUT.ico"""
import math
import struct
import sys

SIZE = 32


def star_points(cx, cy, outer, inner):
    points = []
    for i in range(10):
        radius = outer if i % 2 == 0 else inner
        angle = -math.pi / 2 + i * math.pi / 5
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return points


def inside(polygon, x, y):
    hit = False
    for (x1, y1), (x2, y2) in zip(polygon, polygon[1:] + polygon[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            hit = not hit
    return hit


STAR = star_points(15.5, 12.5, 6.2, 2.6)


def part(x, y):
    """What the picture shows at a pixel, as a name the palettes below colour."""
    px, py = x + 0.5, y + 0.5
    if 2 <= x <= 29 and 3 <= y <= 22:
        if 5 <= x <= 26 and 6 <= y <= 19:
            if inside(STAR, px, py):
                return "star_core" if abs(px - 15.5) + abs(py - 12.5) < 2.5 else "star"
            return "screen_top" if y < 13 else "screen_bottom"
        if x == 29 or y == 22:
            return "frame_shadow"
        return "frame"
    if 13 <= x <= 18 and 23 <= y <= 25:
        return "stand"
    if 8 <= x <= 23 and 26 <= y <= 28:
        return "stand_shadow" if y == 28 else "stand"
    return None  # transparent


# Each palette lists its colours (R, G, B) and which colour every part of the picture takes.
MONO = ([(0, 0, 0), (255, 255, 255)],
        {"star": 1, "star_core": 1, "screen_top": 0, "screen_bottom": 0, "frame": 0,
         "frame_shadow": 0, "stand": 0, "stand_shadow": 0})
EIGHT = ([(0, 0, 0), (0, 0, 128), (0, 0, 255), (255, 255, 0), (128, 128, 128),
          (192, 192, 192), (255, 255, 255), (64, 64, 64)],
         {"star": 3, "star_core": 6, "screen_top": 2, "screen_bottom": 1, "frame": 5,
          "frame_shadow": 4, "stand": 5, "stand_shadow": 7})
SIXTEEN = ([(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
            (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
            (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)],
           {"star": 11, "star_core": 15, "screen_top": 12, "screen_bottom": 4, "frame": 7,
            "frame_shadow": 8, "stand": 7, "stand_shadow": 8})


def image(palette, colours, bits):
    stride = (SIZE * bits + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(SIZE - 1, -1, -1):  # rows bottom-up
        row = [0] * SIZE
        transparent = [1] * SIZE
        for x in range(SIZE):
            name = part(x, y)
            if name is not None:
                row[x] = colours[name]
                transparent[x] = 0
        packed = 0
        for value in row:
            packed = packed << bits | value
        xor += packed.to_bytes(SIZE * bits // 8, "big").ljust(stride, b"\0")
        mask_bits = 0
        for value in transparent:
            mask_bits = mask_bits << 1 | value
        mask += mask_bits.to_bytes(4, "big")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bits, 0,
                         len(xor) + len(mask), 0, 0, len(palette), 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + bytes(xor) + bytes(mask)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    images = [(MONO, 1), (EIGHT, 4), (SIXTEEN, 4)]
    data = [image(palette, colours, bits) for (palette, colours), bits in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(data)))
    offset = 6 + 16 * len(data)
    for ((palette, _), bits), blob in zip(images, data):
        out += struct.pack("<BBBBHHII", SIZE, SIZE, len(palette), 0, 1, bits, len(blob), offset)
        offset += len(blob)
    for blob in data:
        out += blob
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
