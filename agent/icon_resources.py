#!/usr/bin/env python3
"""Turns an .ico file into the agent's two raw icon resources: the first
image (RT_ICON 1) and a one-entry group directory pointing at it
(RT_GROUP_ICON "MAINICON"), the layout every build's icon step writes.

usage: icon_resources.py ICO IMAGE_OUT GROUP_OUT
"""
import struct
import sys


def main():
    ico, image_out, group_out = sys.argv[1:4]
    data = open(ico, 'rb').read()
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if reserved != 0 or kind != 1 or count < 1:
        sys.exit(f'{ico}: not an icon file')
    w, h, colors, res, planes, bits, size, offset = struct.unpack_from('<BBBBHHII', data, 6)
    image = data[offset:offset + size]
    if len(image) != size:
        sys.exit(f'{ico}: first image runs past the file')
    with open(image_out, 'wb') as f:
        f.write(image)
    with open(group_out, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHIH', w, h, colors, res, planes, bits, size, 1))


if __name__ == '__main__':
    main()
