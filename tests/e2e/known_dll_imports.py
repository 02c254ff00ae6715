#!/usr/bin/env python3
"""Fails when a shipped program imports a library Windows does not protect.

Windows looks for an imported library in the program's own folder first,
unless it is one of its known (protected) libraries: a package started from
a download folder would load a library of that name lying beside it before
its first instruction runs. This reads the import and delay-import tables
of the built programs and lists every other name.

usage: known_dll_imports.py BUILD_TREE OBJDUMP
"""
import re
import struct
import subprocess
import sys
from pathlib import Path

# KnownDLLs on every Windows from 7 to 11 (the registry list of each
# release, intersected), and ntdll, which is always mapped from the system
# folder. Names that some releases protect and others do not (wininet,
# combase, ...) are not here: on a release that does not protect them they
# would be searched for.
KNOWN = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll",
    "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll",
    "normaliz.dll", "nsi.dll", "ntdll.dll", "ole32.dll", "oleaut32.dll",
    "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}

# The programs checked. The agent runs wherever a package was saved; the
# console front end is started by scripts from any folder; the wizard also
# imports the common controls, which its manifest binds to the system's
# side-by-side copy before any search.
PROGRAMS = {
    "SelfExtractor.exe": set(),
    "packforge-cli.exe": set(),
    "Packforge.exe": {"comctl32.dll"},
}


class PeError(Exception):
    pass


def read_imports(data):
    """The library names in the import and delay-import tables, in order."""

    def u16(at):
        return struct.unpack_from("<H", data, at)[0]

    def u32(at):
        return struct.unpack_from("<I", data, at)[0]

    def need(at, size):
        if at < 0 or at + size > len(data):
            raise PeError(f"offset {at:#x} (+{size}) lies outside the file")

    need(0, 0x40)
    if data[:2] != b"MZ":
        raise PeError("no MZ signature")
    pe = u32(0x3C)
    need(pe, 24)
    if data[pe:pe + 4] != b"PE\0\0":
        raise PeError("no PE signature")
    sections, optional_size = u16(pe + 6), u16(pe + 20)
    opt = pe + 24
    need(opt, optional_size)
    magic = u16(opt)
    if magic == 0x10B:
        dirs = opt + 96
    elif magic == 0x20B:
        dirs = opt + 112
    else:
        raise PeError(f"unknown optional header magic {magic:#x}")
    count = u32(dirs - 4)
    table = opt + optional_size
    need(table, 40 * sections)
    spans = [(u32(table + 40 * i + 12), max(u32(table + 40 * i + 8), u32(table + 40 * i + 16)),
              u32(table + 40 * i + 20)) for i in range(sections)]

    def offset(rva):
        for va, size, raw in spans:
            if va <= rva < va + size:
                return raw + rva - va
        raise PeError(f"RVA {rva:#x} lies in no section")

    def name_at(rva):
        at = offset(rva)
        end = data.find(b"\0", at)
        if end < 0:
            raise PeError(f"unterminated name at {rva:#x}")
        return data[at:end].decode("ascii", "replace")

    names = []
    # Directory 1: imports, 20-byte descriptors, name RVA at +12.
    # Directory 13: delay imports, 32-byte descriptors, name RVA at +4.
    for index, stride, name_field in ((1, 20, 12), (13, 32, 4)):
        if index >= count:
            continue
        rva = u32(dirs + 8 * index)
        if rva == 0:
            continue
        at = offset(rva)
        while True:
            need(at, stride)
            descriptor = data[at:at + stride]
            if descriptor == bytes(stride):
                break
            names.append(name_at(u32(at + name_field)))
            at += stride
    return names


def objdump_imports(objdump, path):
    """The same names as the toolchain's objdump reads them."""
    out = subprocess.run([objdump, "-p", str(path)], capture_output=True, text=True, check=True)
    return re.findall(r"^\s*DLL Name: (\S+)\s*$", out.stdout, re.M)


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    bin_dir = Path(sys.argv[1]) / "bin"
    objdump = sys.argv[2]
    failures = 0
    for program, also_allowed in PROGRAMS.items():
        path = bin_dir / program
        try:
            names = read_imports(path.read_bytes())
        except (OSError, PeError, struct.error) as e:
            print(f"FAIL: {path}: {e}", file=sys.stderr)
            failures += 1
            continue
        # A second, independent reader: a fault in this one cannot hide an
        # import.
        theirs = objdump_imports(objdump, path)
        if not names or sorted(n.lower() for n in names) != sorted(n.lower() for n in theirs):
            print(f"FAIL: {path}: read {names}, objdump reads {theirs}", file=sys.stderr)
            failures += 1
        unprotected = [n for n in names if n.lower() not in KNOWN | also_allowed]
        for name in unprotected:
            print(f"FAIL: {program} imports {name}, which Windows would look for beside it first",
                  file=sys.stderr)
        failures += len(unprotected)
        print(f"{program}: {', '.join(names)}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
