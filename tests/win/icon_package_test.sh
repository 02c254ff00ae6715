#!/usr/bin/env bash
# A package built by packforge-cli.exe with an ordinary application icon as
# an icon converter writes it (256 pixels as PNG, then 48, 32 and 16),
# checked from outside: wrestool lists and extracts every image and the
# group that describes them; the package still extracts, signed or not;
# a program whose resources are not its last section takes the same icon;
# and the icon as Windows draws it is saved as icon_package.png in TEST_DIR.
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
# 8 bits a channel: Wine draws no PNG icon of 16 bits a channel, which
# ImageMagick writes by default here.
convert -size 256x256 gradient:'#d02020'-'#2040d0' -fill white -draw 'circle 128,128 128,40' -depth 8 \
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

# The group and the images as wrestool reads them: one group entry per image
# of the chosen file, with its sizes and depth, naming exactly its bytes.
wrestool -x --raw --type=14 --name=MAINICON -o group.bin pkg.exe
for id in 1 2 3 4; do wrestool -x --raw --type=3 --name=$id -o image$id.bin pkg.exe; done
python3 - app.ico group.bin <<'PY' || fail "the package's icon differs from the chosen file"
import struct, sys
d = open(sys.argv[1], 'rb').read()
g = open(sys.argv[2], 'rb').read()
n = struct.unpack_from('<HHH', d, 0)[2]
assert struct.unpack_from('<HHH', g, 0) == (0, 1, n), 'group header'
for i in range(n):
    w, h, c, _, p, b, s, o = struct.unpack_from('<BBBBHHII', d, 6 + 16 * i)
    gw, gh, gc, _, gp, gb, gs, gid = struct.unpack_from('<BBBBHHIH', g, 6 + 14 * i)
    assert (gw, gh, gc, gp, gb, gs, gid) == (w, h, c, p, b, s, i + 1), 'entry %d' % (i + 1)
    assert open('image%d.bin' % (i + 1), 'rb').read() == d[o:o + s], 'image %d' % (i + 1)
PY

"$wine_run" pkg.exe /S "/D=$(win "$work/out")" 2>/dev/null || fail "the package did not extract (exit $?)"
cmp -s data.txt out/data.txt || fail "extracted data.txt differs"

# Signed as a vendor signs what it ships (a throwaway self-signed
# certificate): the signature over the stamped image verifies, and the
# signed package still extracts.
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Packforge test" -days 2 \
  -keyout key.pem -out cert.pem > openssl.log 2>&1 || { cat openssl.log >&2; fail "no test certificate"; }
osslsigncode sign -certs cert.pem -key key.pem -n "Packforge test" -in pkg.exe -out signed.exe \
  > sign.log 2>&1 || { cat sign.log >&2; fail "osslsigncode could not sign the package"; }
osslsigncode verify -CAfile cert.pem -in signed.exe > verify.log 2>&1 ||
  { cat verify.log >&2; fail "the signed package does not verify"; }
"$wine_run" signed.exe /S "/D=$(win "$work/signed-out")" 2>/dev/null ||
  fail "the signed package did not extract (exit $?)"
cmp -s data.txt signed-out/data.txt || fail "data.txt extracted from the signed package differs"

# The same icon through the same build into a program whose resources are
# not its last section (the test fixture stands in for the agent): wrestool
# reads the images and the program's own named data, and the stamped
# program still finds its resources when it runs.
mkdir alt
cp "$bin/packforge-cli.exe" "$bin/Client7z.dll" "$bin/7z.dll" "$bin/ZPK_ICON.ico" alt/
cp "$tests/resource_fixture.exe" alt/SelfExtractor.exe
"$wine_run" alt/packforge-cli.exe -o "$(win "$work")" -n alt --icon "$(win "$work/app.ico")" \
  "$(win "$work/data.txt")" > alt.log 2>&1 || { cat alt.log >&2; fail "packforge-cli failed on the fixture"; }
wrestool -l alt.exe > alt-listing.txt
for want in "--type=3 --name=4 " "--type=14 --name='MAINICON' " "--type=10 --name='ALPHA' " \
  "--type=10 --name='ZETA' " "--type=10 --name=7 "; do
  grep -q -- "$want" alt-listing.txt || { cat alt-listing.txt >&2; fail "no $want in the stamped fixture"; }
done
"$wine_run" alt.exe icon 2>/dev/null || fail "the stamped fixture missed $? of its own resources"

"$wine_run" "$tests/icon_snapshot.exe" "$(win "$work/pkg.exe")" "$(win "$work/snap.bmp")" 2>/dev/null ||
  fail "the package's icon could not be drawn at every size"
convert snap.bmp "$tests/icon_package.png"
echo "icon as drawn: $tests/icon_package.png"
