#!/usr/bin/env bash
# Makes a 7z archive whose entries try to leave the extraction folder, with
# the host's 7zz: "rn" stores any name it is given. (A "\" typed here is
# kept as a name character by 7zz on Linux, so the climbs use "/"; the
# backslash forms are covered by the path check's own table.)
# usage: make_unsafe_archive.sh OUT.7z
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for f in climb abs drive deep good; do printf '%s\n' "$f" > "$f.txt"; done
rm -f "$out"
7zz a -t7z -bso0 -bsp0 unsafe.7z climb.txt abs.txt drive.txt deep.txt good.txt
7zz rn -bso0 -bsp0 unsafe.7z climb.txt ../climb.txt abs.txt /abs.txt drive.txt 'C:/drive.txt' \
  deep.txt 'sub/../../deep.txt' good.txt 'sub/good.txt'
mv unsafe.7z "$out"
