#!/usr/bin/env python3
"""Writes a package by hand, for the cases the builder never makes:
hostile entry names, sizes that lie, and packages for the agent alone.

usage: make_package.py AGENT OUT [--option N] [--password ENCODED]
                       [--run TEXT] [--message TEXT] [--title TEXT]
                       [--entry FLAG NAME FILE]... [--size-delta N]

--size-delta adds N to the size recorded for the last entry.
"""
import argparse
import struct


def integer(v):
    return struct.pack('<i', v) + b'\0\0'


def string(s):
    return s.encode('utf-16-le') + b'\0\0'


def main():
    p = argparse.ArgumentParser()
    p.add_argument('agent')
    p.add_argument('out')
    p.add_argument('--option', type=int, default=0)
    p.add_argument('--password', default='')
    p.add_argument('--run', default='')
    p.add_argument('--message', default='')
    p.add_argument('--title', default='')
    p.add_argument('--entry', nargs=3, action='append', default=[])
    p.add_argument('--size-delta', type=int, default=0)
    a = p.parse_args()
    blobs = [open(f, 'rb').read() for _, _, f in a.entry]
    h = b'Kelo Data File Signature\0' + integer(len(a.entry)) + string(a.run) + integer(1)
    h += string(a.password) + string(a.message) + string(a.title) + integer(a.option)
    for i, ((flag, name, _), blob) in enumerate(zip(a.entry, blobs)):
        size = len(blob) + (a.size_delta if i == len(blobs) - 1 else 0)
        h += integer(int(flag)) + string(name) + integer(size)
    with open(a.out, 'wb') as f:
        f.write(open(a.agent, 'rb').read() + h + b''.join(blobs))


if __name__ == '__main__':
    main()
