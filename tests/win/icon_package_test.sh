#!/usr/bin/env bash
# A package built by packforge-cli.exe with an ordinary application icon as
# an icon converter writes it (256 pixels as PNG, then 48, 32 and 16),
# checked from outside: wrestool lists every image and rebuilds the same
# icon file from the package's group; the package still extracts; and the
# icon as Windows draws it is saved as icon_package.png in TEST_DIR.
#
# usage: icon_package_test.sh BIN_DIR TEST_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
tests=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_run=$root/scripts/wine-run.sh
fail() { echo "FAIL: $*" >&2; exit 1; }
win() { printf 'Z:%s' "${1//\//\\}"; }

work=$(mktemp -d)
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
cd "$work"
convert -size 256x256 gradient:'#d02020'-'#2040d0' -fill white -draw 'circle 128,128 128,40' \
  -define icon:auto-resize=256,48,32,16 app.ico
printf 'payload\n' > data.txt
"$wine_run" "$bin/packforge-cli.exe" -o "$(win "$work")" -n pkg --icon "$(win "$work/app.ico")" \
  "$(win "$work/data.txt")" > cli.log 2>&1 || { cat cli.log >&2; fail "packforge-cli failed"; }

wrestool -l pkg.exe > listing.txt
for id in 1 2 3 4; do
  grep -q -- "--type=3 --name=$id --language=0 " listing.txt || { cat listing.txt >&2; fail "no RT_ICON $id"; }
done
grep -q -- "--type=3 --name=5 " listing.txt && fail "an image beyond the four"
grep -q -- "--type=14 --name='MAINICON' --language=1033 " listing.txt || fail "no MAINICON group"

# wrestool turns the group and its images back into an .ico: the same images
# with the same sizes and depths as the chosen file.
wrestool -x --type=14 --name=MAINICON -o rebuilt.ico pkg.exe
python3 - app.ico rebuilt.ico <<'PY' || fail "the package's icon differs from the chosen file"
import struct, sys
def images(path):
    d = open(path, 'rb').read()
    n = struct.unpack_from('<HHH', d, 0)[2]
    out = []
    for i in range(n):
        w, h, c, _, p, b, s, o = struct.unpack_from('<BBBBHHII', d, 6 + 16 * i)
        out.append((w, h, c, p, b, d[o:o + s]))
    return out
a, b = images(sys.argv[1]), images(sys.argv[2])
sys.exit(0 if a == b and len(a) == 4 else 1)
PY

"$wine_run" pkg.exe /S "/D=$(win "$work/out")" 2>/dev/null || fail "the package did not extract (exit $?)"
cmp -s data.txt out/data.txt || fail "extracted data.txt differs"

"$wine_run" "$tests/icon_snapshot.exe" "$(win "$work/pkg.exe")" "$(win "$work/snap.bmp")" 2>/dev/null ||
  fail "the package's icon could not be drawn at every size"
convert snap.bmp "$tests/icon_package.png"
echo "icon as drawn: $tests/icon_package.png"
