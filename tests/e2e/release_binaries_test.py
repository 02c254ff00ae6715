#!/usr/bin/env python3
"""Checks that every PE file in the program folder ships stripped: no COFF
symbols and no debug sections. Where a file carries a debug link, the
linked file must lie in the debug folder, match the link's CRC and hold the
debug information. The programs named after the folders must have one.

usage: release_binaries_test.py BIN_DIR DEBUG_DIR [LINKED_PROGRAM...]
"""
import os
import struct
import sys
import zlib


def sections(path):
    """(name, raw bytes) of each section, long names resolved through the
    COFF string table."""
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        return None, None
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return None, None
    count, = struct.unpack_from("<H", data, pe + 6)
    symbols_at, symbol_count, optional_size = struct.unpack_from("<IIH", data, pe + 12)
    strings_at = symbols_at + 18 * symbol_count
    table = pe + 24 + optional_size
    found = []
    for i in range(count):
        raw_name, = struct.unpack_from("8s", data, table + 40 * i)
        name = raw_name.rstrip(b"\0").decode("ascii", "replace")
        if name.startswith("/") and symbols_at:
            offset = strings_at + int(name[1:])
            name = data[offset:data.index(b"\0", offset)].decode("ascii", "replace")
        size, at = struct.unpack_from("<II", data, table + 40 * i + 16)
        found.append((name, data[at:at + size]))
    return (symbols_at, symbol_count), found


def main(argv):
    bin_dir, debug_dir, linked = argv[1], argv[2], set(argv[3:])
    problems = []
    checked = 0
    for folder, _, files in os.walk(bin_dir):
        for name in sorted(files):
            path = os.path.join(folder, name)
            symbols, found = sections(path)
            if found is None:
                continue
            checked += 1
            # A string table alone may stay: it holds long section names
            # such as .gnu_debuglink.
            if symbols[1]:
                problems.append("%s has %d COFF symbols" % (name, symbols[1]))
            debug = [s for s, _ in found if s.startswith(".debug") or s.startswith("/")]
            if debug:
                problems.append("%s carries debug sections %s" % (name, debug))
            link = dict(found).get(".gnu_debuglink")
            if link is None:
                if name in linked:
                    problems.append("%s has no debug link" % name)
                continue
            linked.discard(name)
            target = link[:link.index(b"\0")].decode()
            crc, = struct.unpack_from("<I", link, (len(target) + 4) & ~3)
            debug_file = os.path.join(debug_dir, os.path.basename(target))
            if not os.path.isfile(debug_file):
                problems.append("%s links to %s, which is missing" % (name, debug_file))
                continue
            if zlib.crc32(open(debug_file, "rb").read()) != crc:
                problems.append("%s: %s does not match its debug link" % (name, debug_file))
            _, kept = sections(debug_file)
            if not any(s == ".debug_info" and len(b) > 0 for s, b in kept or []):
                problems.append("%s: %s holds no .debug_info" % (name, debug_file))
    for name in sorted(linked):
        problems.append("%s is not in %s" % (name, bin_dir))
    for p in problems:
        print("FAIL: " + p, file=sys.stderr)
    if not checked:
        print("FAIL: no PE file in " + bin_dir, file=sys.stderr)
        return 1
    print("%d program files checked" % checked)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
