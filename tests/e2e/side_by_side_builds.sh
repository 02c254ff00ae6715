#!/usr/bin/env bash
# packforge-cli.exe under Wine as CI pipelines run it: builds at once from
# one install, each package extracting to exactly its own files; a stale,
# read-only archive in %TEMP% changing nothing; ticked archives that the
# codec cannot open refused with the file named; the same inputs giving the
# same bytes. usage: side_by_side_builds.sh BIN_DIR WORK_DIR [ROUNDS]
set -uo pipefail
bin=$(cd "$1" && pwd)
work=$2
rounds=${3:-3}
source "$(dirname "$0")/script_lib.sh"
build() { wrun "$bin/packforge-cli.exe" -o "$(win "$work")" "$@"; }
# The package extracts unattended to exactly these files.
extracts_to() {
  local package=$1 what=$2
  shift 2
  local target=$work/x-$what
  rm -rf "$target"
  wrun "$work/$package" /S "/D=$(win "$target")" || fail "$what: the package exited $?"
  local f
  for f in "$@"; do
    cmp -s "$f" "$target/$(basename "$f")" || fail "$what: $(basename "$f") differs or is missing"
  done
  local found wanted
  found=$(ls -A "$target" 2>/dev/null | sort)
  wanted=$(for f in "$@"; do basename "$f"; done | sort)
  [ "$found" = "$wanted" ] || fail "$what: extracted [$found], wanted [$wanted]"
}

# Three files of 6 MB for each of two builds: packing takes long enough for
# the two to overlap.
for who in a b; do
  mkdir "in-$who"
  for i in 1 2 3; do head -c 6000000 /dev/urandom >"in-$who/$who$i.bin"; done
done

# 1. Two builds at once, several rounds.
for round in $(seq 1 "$rounds"); do
  build -n "pa$round" in-a/* >/dev/null &
  pa=$!
  build -n "pb$round" in-b/* >/dev/null &
  pb=$!
  wait $pa || fail "round $round: build a exited $?"
  wait $pb || fail "round $round: build b exited $?"
  extracts_to "pa$round.exe" "a$round" in-a/*
  extracts_to "pb$round.exe" "b$round" in-b/*
done

# 2. A read-only archive left in %TEMP% by an older build.
temp_win=$(wrun cmd /c echo %TEMP% | tr -d '\r')
temp_unix=$("$wine_run" winepath -u "$temp_win" 2>/dev/null | tr -d '\r')
stale=$temp_unix/ZpkCompressedFiles.7z
printf 'stale archive\n' >stale.txt
cp stale.txt "$stale"
wrun cmd /c attrib +r "$temp_win\\ZpkCompressedFiles.7z"
build -n fresh in-a/a1.bin >/dev/null || fail "stale archive: build exited $?"
extracts_to fresh.exe fresh in-a/a1.bin
cmp -s stale.txt "$stale" || fail "stale archive: it was changed"
wrun cmd /c attrib -r "$temp_win\\ZpkCompressedFiles.7z"
rm -f "$stale"
# Every build removed its work folder.
left=$(ls -A "$temp_unix/ZPK" 2>/dev/null | grep -v '^temp$')
[ -z "$left" ] || fail "work folders left under %TEMP%\\ZPK: $left"

# 3. Ticked archives the codec cannot open: exit 1, the file named, the
# hint given, nothing written; kept packed, they build.
printf 'Rar! but not really\n' >fake.rar
printf 'plain text\n' >notes.zip
for ticked in fake.rar notes.zip; do
  "$wine_run" "$bin/packforge-cli.exe" -o "$(win "$work")" -n "refused-${ticked%.*}" "$ticked" \
    in-a/a1.bin 2>err.txt >/dev/null
  code=$?
  [ "$code" -eq 1 ] || fail "ticked $ticked: exit $code, wanted 1"
  grep -q "$ticked" err.txt || fail "ticked $ticked: not named: $(cat err.txt)"
  grep -q -- "--keep-packed" err.txt || fail "ticked $ticked: no --keep-packed hint"
  [ ! -e "refused-${ticked%.*}.exe" ] || fail "ticked $ticked: a package was written"
done
build -n keptfake in-a/a1.bin --keep-packed fake.rar >/dev/null || fail "kept fake.rar: exit $?"
extracts_to keptfake.exe keptfake in-a/a1.bin fake.rar

# 4. The same inputs twice: the same bytes.
build -n same1 in-b/* --keep-packed fake.rar >/dev/null || fail "same1: exit $?"
build -n same2 in-b/* --keep-packed fake.rar >/dev/null || fail "same2: exit $?"
cmp -s same1.exe same2.exe || fail "two builds of the same inputs differ"

finish "side by side builds"
