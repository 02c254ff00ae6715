#!/usr/bin/env python3
"""Adds a file as section .trail right after a linked program's last
section in memory, so the program's resources are no longer its last
section (the linker itself always puts them near the end).

usage: add_trailing_section.py OBJCOPY OBJDUMP EXE FILE
"""
import subprocess
import sys


def main():
    objcopy, objdump, exe, data = sys.argv[1:5]
    end = 0
    for line in subprocess.run([objdump, '-h', exe], check=True, capture_output=True,
                               text=True).stdout.splitlines():
        f = line.split()
        if len(f) >= 4 and f[0].isdigit():
            end = max(end, int(f[3], 16) + int(f[2], 16))
    start = (end + 0xFFF) // 0x1000 * 0x1000
    subprocess.run([objcopy, '--add-section', '.trail=' + data, '--set-section-flags',
                    '.trail=contents,alloc,load,readonly,data', '--change-section-address',
                    '.trail=0x%x' % start, exe], check=True)


if __name__ == '__main__':
    main()
