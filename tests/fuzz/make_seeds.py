#!/usr/bin/env python3
"""Writes the fuzzer's first inputs: small packages (a minimal PE32+ and
PE32 image, a header, a payload), one of them signed, and a PE32 image
with a resource tree for the resource writer.

usage: make_seeds.py OUTDIR
"""
import os
import struct
import sys


def pe(plus):
    b = bytearray(0x400)
    b[0:2] = b'MZ'
    struct.pack_into('<I', b, 0x3C, 0x40)
    b[0x40:0x44] = b'PE\0\0'
    opt_size = 240 if plus else 224
    struct.pack_into('<HHIIIHH', b, 0x44, 0x8664 if plus else 0x14c, 1, 0, 0, 0, opt_size, 0)
    opt = 0x58
    struct.pack_into('<H', b, opt, 0x20b if plus else 0x10b)
    struct.pack_into('<I', b, opt + 60, 0x200)
    struct.pack_into('<I', b, opt + (108 if plus else 92), 16)
    sec = opt + opt_size
    struct.pack_into('<II', b, sec + 16, 0x200, 0x200)
    return b, opt + (112 if plus else 96) + 32


def pe_with_resources():
    """A PE32 image whose one section holds a resource tree (one icon)."""
    b, _ = pe(False)
    opt, sec = 0x58, 0x58 + 224
    struct.pack_into('<II', b, opt + 32, 0x1000, 0x200)
    struct.pack_into('<I', b, opt + 60, 0x200)
    b[sec:sec + 8] = b'.rsrc\0\0\0'
    struct.pack_into('<IIII', b, sec + 8, 0x5C, 0x1000, 0x200, 0x200)
    struct.pack_into('<II', b, opt + 96 + 16, 0x1000, 0x5C)
    tree = struct.pack('<IIHHHHII', 0, 0, 0, 0, 0, 1, 3, 0x80000018)
    tree += struct.pack('<IIHHHHII', 0, 0, 0, 0, 0, 1, 1, 0x80000030)
    tree += struct.pack('<IIHHHHII', 0, 0, 0, 0, 0, 1, 0, 0x48)
    tree += struct.pack('<IIII', 0x1058, 4, 0, 0) + b'ICON'
    b[0x200:0x200 + len(tree)] = tree
    return b


def header(names):
    i = lambda v: struct.pack('<i', v) + b'\0\0'
    s = lambda t: t.encode('utf-16-le') + b'\0\0'
    h = b'Kelo Data File Signature\0' + i(len(names)) + s('') + i(1) + s('') * 3 + i(0)
    for name, size in names:
        h += i(1) + s(name) + i(size)
    return h


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    entries = [('7z.dll', 2), ('Client7z.dll', 1), ('a.7z', 4)]
    for plus, signed in ((True, False), (False, True)):
        image, security = pe(plus)
        f = image + header(entries) + b'xyzabcd'
        if signed:
            f += bytes(-len(f) % 8)
            struct.pack_into('<II', f, security, len(f), 16)
            f += b'\x10\0\0\0\0\x02\x02\0' + bytes(8)
        name = 'seed-%s%s' % ('pe32plus' if plus else 'pe32', '-signed' if signed else '')
        with open(os.path.join(out, name), 'wb') as fh:
            fh.write(f)
    with open(os.path.join(out, 'seed-pe32-resources'), 'wb') as fh:
        fh.write(pe_with_resources())


if __name__ == '__main__':
    main()
