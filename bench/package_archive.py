#!/usr/bin/env python3
"""Prints the size of the archive a package carries (its last entry, found
through the package header) and, given OUT, writes that archive there.

usage: package_archive.py PACKAGE [OUT]
"""
import struct, sys
d = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', d, 0x3C)[0]
n, opt = struct.unpack_from('<H', d, pe + 6)[0], struct.unpack_from('<H', d, pe + 20)[0]
t = pe + 24 + opt
at = max(sum(struct.unpack_from('<II', d, t + 40 * i + 16)) for i in range(n)) + 25
def integer():
    global at
    v = struct.unpack_from('<I', d, at)[0]; at += 6; return v
def string():
    global at
    end = at
    while d[end:end + 2] != b'\0\0': end += 2
    s = d[at:end].decode('utf-16-le'); at = end + 2; return s
count = integer(); string(); integer(); string(); string(); string(); integer()
sizes = []
for _ in range(count):
    integer(); string(); sizes.append(integer())
last = len(d) - sizes[-1]
assert at + sum(sizes) == len(d)
if len(sys.argv) > 2:
    open(sys.argv[2], 'wb').write(d[last:])
print(len(d) - last)
