#!/usr/bin/env python3
"""Plain stand-in icons (one 64x64 24-bit image each) for trees built
without the art script.

usage: fallback_art.py OUTDIR
"""
import os
import struct
import sys


def icon(colour_at):
    size = 64
    pixels = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up rows
        for x in range(size):
            r, g, b = colour_at(x, y)
            pixels += bytes((b, g, r))
    mask = bytes(size * 8)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 24, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    return (struct.pack('<HHH', 0, 1, 1) +
            struct.pack('<BBBBHHII', size, size, 0, 0, 1, 24, len(image), 22) + image)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    box = lambda x, y: (200, 120, 30) if 10 <= x < 54 and 16 <= y < 56 else (40, 70, 140)
    arrow = lambda x, y: (240, 240, 240) if abs(x - 32) < (y - 8) // 2 and y < 44 else (30, 110, 60)
    with open(os.path.join(out, 'agent.ico'), 'wb') as f:
        f.write(icon(box))
    with open(os.path.join(out, 'ZPK_ICON.ico'), 'wb') as f:
        f.write(icon(arrow))


if __name__ == '__main__':
    main()
