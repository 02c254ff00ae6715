#!/usr/bin/env bash
# packforge-cli --encrypt under Wine: the package extracts with the right
# password to the same bytes (Unicode names included), refuses a wrong or a
# missing one without writing anything, holds no byte of a file name or of
# the password, and its archive, cut out and given to the host's 7zz, asks
# for a password and lists nothing without it. A ticked archive is refused
# in this mode, and the build's trace never holds the password.
# usage: encrypted_package_test.sh BIN_DIR WORK_DIR PACKAGE_DUMP
set -uo pipefail
bin=$(cd "$1" && pwd)
work=$2
dump=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
source "$(dirname "$0")/script_lib.sh"
cli() { "$wine_run" "$bin/packforge-cli.exe" -o "$(win "$work/out")" "$@" 2>>cli.log >/dev/null; }
expect_exit() {
  local want=$1 what=$2
  shift 2
  wrun "$@"
  local got=$?
  [ "$got" -eq "$want" ] || fail "$what: exit code $got, wanted $want"
}
nothing_in() {
  [ -z "$(ls -A "$1" 2>/dev/null)" ] || fail "$2: $1 is not empty: $(ls -A "$1")"
}
# True when the file holds the text in UTF-8 or in UTF-16.
holds() {
  python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
text = sys.argv[2]
sys.exit(0 if text.encode('utf-8') in data or text.encode('utf-16-le') in data else 1)
PY
}

password='Sésame, ouvre-toi! 42'  # past the gate's 8 characters, not ASCII
unicode_name="Grüße 日本 geheim.txt"
mkdir in out
printf 'a name in three scripts\n' >"in/$unicode_name"
head -c 200000 /dev/urandom >in/random.bin
seq 1 5000 >in/numbers.txt
: >in/empty.dat
(cd in && 7zz a -tzip -bso0 -bsp0 ../kept-inside.zip numbers.txt)
inputs=("in/$unicode_name" in/random.bin in/numbers.txt in/empty.dat)

# 1. The build: a kept archive travels inside the encrypted archive, so the
# package holds the two libraries and the archive alone.
cli -n secret --encrypt --password "$password" "${inputs[@]}" --keep-packed kept-inside.zip ||
  fail "building the encrypted package: $(cat cli.log)"
mkdir blocks
"$wine_run" "$dump" out/secret.exe blocks 2>/dev/null | tr -d '\r' | cut -f1,2 >entries.txt ||
  fail "the package's header and blocks do not fill it"
printf '1\t7z.dll\n1\tClient7z.dll\n1\tZpkCompressedFiles.7z\n' | diff -u - entries.txt ||
  fail "entries: the inputs do not all travel inside the archive"

# 2. No plaintext: neither the password nor any input's name.
for text in "$password" "$unicode_name" random.bin numbers.txt empty.dat kept-inside.zip; do
  ! holds out/secret.exe "$text" || fail "the package holds \"$text\" in the clear"
done

# 3. Without the right password nothing is written; with it, every byte.
expect_exit 3 "no password, unattended" out/secret.exe /S "/D=$(win "$work/x-none")"
nothing_in x-none "no password"
expect_exit 3 "wrong password" out/secret.exe /S "/P=sésame" "/D=$(win "$work/x-wrong")"
nothing_in x-wrong "wrong password"
expect_exit 0 "right password" out/secret.exe /S "/P=$password" "/D=$(win "$work/x-right")"
for f in "${inputs[@]}" kept-inside.zip; do
  cmp -s "$f" "x-right/$(basename "$f")" || fail "right password: $(basename "$f") differs or is missing"
done
[ "$(ls -A x-right | wc -l)" -eq 5 ] || fail "right password: x-right holds $(ls -A x-right)"

# 4. The archive cut out of the package: the host's 7zz asks for the
# password and lists no name without it; with it, every name.
cp blocks/2.block cut.7z
7zz l cut.7z </dev/null >listing.txt 2>&1
grep -q 'Enter password' listing.txt || fail "7zz did not ask for a password: $(cat listing.txt)"
for name in "$unicode_name" random.bin; do
  ! grep -qF "$name" listing.txt || fail "7zz listed $name without the password"
done
7zz l -slt "-p$password" cut.7z >listing-right.txt 2>&1 || fail "7zz cannot open it with the password"
grep -qF "Path = $unicode_name" listing-right.txt || fail "7zz with the password: no $unicode_name"
grep -q '^Method = .*7zAES' listing-right.txt || fail "the archive is not AES encrypted"

# 5. A ticked archive would travel in the clear: refused, nothing built.
: >cli.log
cli -n ticked --encrypt --password "$password" in/numbers.txt kept-inside.zip
[ $? -eq 2 ] || fail "a ticked archive with --encrypt: not refused as bad arguments"
grep -q -- '--keep-packed' cli.log || fail "the refusal does not say --keep-packed: $(cat cli.log)"
[ ! -e out/ticked.exe ] || fail "a package was written for a ticked archive"

# 6. The password from a file (UTF-8, a CRLF line end), not the command line.
printf '%s\r\n' "$password" >password.txt
cli -n fromfile --encrypt --password-file password.txt in/numbers.txt ||
  fail "building with --password-file: $(cat cli.log)"
expect_exit 0 "password file" out/fromfile.exe /S "/P=$password" "/D=$(win "$work/x-file")"
cmp -s in/numbers.txt x-file/numbers.txt || fail "password file: numbers.txt differs or is missing"

# 7. The build's trace, switched on, holds no password in either mode.
mkdir -p appdata/Kelosoft
printf 'd\0e\0b\0u\0g\0001\0' >appdata/Kelosoft/debug.txt
traced() {
  wrun cmd /c "set APPDATA=$(win "$work/appdata")&& $(win "$bin/packforge-cli.exe") -o $(win "$work/out") $*" \
    >/dev/null
}
traced -n gated --password Gate4Trc in/numbers.txt || fail "building the gated package"
traced -n sealed --encrypt --password Seal4Trace99 in/numbers.txt || fail "building the sealed package"
log=appdata/Kelosoft/tracerlog.txt
grep -q 'CompressFiles' "$log" 2>/dev/null || fail "no trace was written"
for text in Gate4Trc Seal4Trace99; do
  ! holds "$log" "$text" || fail "the trace holds the password $text"
done

finish "encrypted packages"
