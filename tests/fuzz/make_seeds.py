#!/usr/bin/env python3
"""Writes the fuzzer's first inputs: small packages (a minimal PE32+ and
PE32 image, a header, a payload), one of them signed.

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


if __name__ == '__main__':
    main()
