#!/usr/bin/env bash
# The Linux program folder builds a package with no Wine at all: every
# Wine command on PATH is a trap that records being started, PATH holds
# nothing else, and the build must succeed with the trap untouched.
#
# usage: without_wine_test.sh LINUX_BIN
set -euo pipefail
linux=$(cd "$1" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/traps" "$work/in" "$work/out"
for name in wine wine64 wineserver wineboot wine-preloader wine64-preloader; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/started"\n' "$name" "$work" > "$work/traps/$name"
  chmod +x "$work/traps/$name"
done
printf 'hello\n' > "$work/in/hello.txt"
env -i HOME="$HOME" PATH="$work/traps" "$linux/packforge-cli" -o "$work/out" -n hello \
  "$work/in/hello.txt" --icon "$linux/ZPK_ICON.ico" || fail "the build failed without Wine"
[ -s "$work/out/hello.exe" ] || fail "no package written"
[ ! -e "$work/started" ] || fail "a Wine command was started: $(cat "$work/started")"
echo "built $(stat -c %s "$work/out/hello.exe") bytes with Wine absent from PATH"
