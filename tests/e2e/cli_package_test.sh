#!/usr/bin/env bash
# Builds a package from the benchmark corpus with packforge-cli.exe under
# Wine, then checks it from the Linux side: the entries are the two
# libraries, the user's archives and ZpkCompressedFiles.7z, in that order,
# the agent and libraries are the program's own even when the current
# folder holds others of the same names,
# each block is the file it names, and the 7z block, cut out of the package,
# extracts with the host's 7zz to exactly the ordinary input files.
#
# usage: cli_package_test.sh BIN_DIR TEST_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
tests=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_run=$root/scripts/wine-run.sh
fail() { echo "FAIL: $*" >&2; exit 1; }

corpus_script=$root/bench/make_corpus.py

work=$(mktemp -d)
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
cd "$work"
python3 "$corpus_script" corpus 6 9
# A Unicode name and an empty file among the ordinary ones.
printf 'gr\xc3\xbc\xc3\x9fe\n' > "corpus/Gr$(printf '\xc3\xbc\xc3\x9f')e $(printf '\xe6\x97\xa5\xe6\x9c\xac').txt"
: > corpus/empty.log
mkdir archives
(cd corpus && 7zz a -tzip -bso0 -bsp0 ../archives/keep.zip file000.txt)
(cd corpus && 7zz a -tzip -bso0 -bsp0 ../archives/open.zip file001.bin)
# The folder the script runs in holds other files under the names of the
# program's own: the package must carry the program's, not these.
cp "$tests/stand_in_agent.exe" SelfExtractor.exe
printf 'a 7z.dll for another machine' > 7z.dll
printf 'not our client' > Client7z.dll
printf 'not our icon' > ZPK_ICON.ico

mkdir out
mapfile -t inputs < <(cd "$work" && find corpus -type f | sort)
"$wine_run" "$bin/packforge-cli.exe" -o out -n package "${inputs[@]}" \
  --keep-packed archives/keep.zip archives/open.zip > cli.log 2>&1 ||
  { cat cli.log >&2; fail "packforge-cli failed"; }
[ -f out/package.exe ] || fail "no package written"

mkdir blocks
"$wine_run" "$tests/package_dump.exe" out/package.exe blocks > entries.txt ||
  { cat entries.txt >&2; fail "the package's header and blocks do not fill it exactly"; }
tr -d '\r' < entries.txt | cut -f1,2 > order.txt
printf '1\t7z.dll\n1\tClient7z.dll\n0\tkeep.zip\n1\topen.zip\n1\tZpkCompressedFiles.7z\n' > expected.txt
diff -u expected.txt order.txt || fail "entries not in the expected order"

grep -q -a 'Packforge.SelfExtractor' out/package.exe ||
  fail "the package does not start with the program's own agent"
cmp blocks/0.block "$bin/7z.dll" || fail "7z.dll block differs"
cmp blocks/1.block "$bin/Client7z.dll" || fail "Client7z.dll block differs"
cmp blocks/2.block archives/keep.zip || fail "keep.zip block differs"
cmp blocks/3.block archives/open.zip || fail "open.zip block differs"

cp blocks/4.block cut.7z
7zz l -slt cut.7z > listing.txt
grep -q '^Solid = +' listing.txt || fail "the archive is not solid"
grep -q '^Method = LZMA2' listing.txt || fail "the archive is not LZMA2"
7zz x -bso0 -bsp0 -ounpacked cut.7z
diff -r corpus unpacked || fail "the unpacked files differ from the input"
[ "$(find unpacked -type f | wc -l)" = "${#inputs[@]}" ] || fail "file count differs"
echo "package entries and archive contents as expected (${#inputs[@]} files)"
