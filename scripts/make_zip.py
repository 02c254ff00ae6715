#!/usr/bin/env python3
"""Zips a folder with fixed dates and order, so the same files always give
the same archive bytes.

usage: make_zip.py FOLDER OUT.zip [TOP]   (TOP: a folder name every entry
       is placed under; by default the entries sit at the archive's root)
"""
import os
import sys
import zipfile

DATE = (2020, 1, 1, 0, 0, 0)


def main(argv):
    if len(argv) not in (3, 4):
        sys.stderr.write(__doc__)
        return 2
    folder, out = argv[1], argv[2]
    top = argv[3] + "/" if len(argv) == 4 else ""
    paths = []
    for here, dirs, files in os.walk(folder):
        dirs.sort()
        for name in sorted(files):
            paths.append(os.path.join(here, name))
    if not paths:
        sys.stderr.write("make_zip: %s holds no files\n" % folder)
        return 1
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for path in paths:
            info = zipfile.ZipInfo(top + os.path.relpath(path, folder).replace(os.sep, "/"), DATE)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            with open(path, "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    os.replace(tmp, out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
