#!/usr/bin/env bash
# Whole programs under Wine: packforge-cli.exe builds packages, each runs
# unattended, and every extracted byte is compared with the input. Damaged
# and hostile packages must be refused with their exit code and leave
# nothing behind.
# usage: agent_e2e.sh BIN_DIR WORK_DIR [UNSAFE_7Z [PLANTED_PROGRAM]]
set -uo pipefail
bin=$(cd "$1" && pwd)
work=$2
unsafe7z=${3:-}
planted=${4:-}
[ -z "$unsafe7z" ] || unsafe7z=$(cd "$(dirname "$unsafe7z")" && pwd)/$(basename "$unsafe7z")
source "$(dirname "$0")/script_lib.sh"
cli() { wrun "$bin/packforge-cli.exe" -o "$(win "$work")" "$@" >/dev/null; }
# Runs a package and checks its exit code.
expect_exit() {
  local want=$1 what=$2
  shift 2
  wrun "$@"
  local got=$?
  [ "$got" -eq "$want" ] || fail "$what: exit code $got, wanted $want"
}
# Every file named is in the folder with the same bytes, and nothing else is.
same_files() {
  local folder=$1 what=$2
  shift 2
  local names=()
  for f in "$@"; do
    names+=("$(basename "$f")")
    cmp -s "$f" "$folder/$(basename "$f")" || fail "$what: $(basename "$f") differs or is missing"
  done
  local found wanted
  found=$(ls -A "$folder" 2>/dev/null | sort)
  wanted=$(printf '%s\n' "${names[@]}" | sort)
  [ "$found" = "$wanted" ] || fail "$what: folder holds [$found], wanted [$wanted]"
}
# Nothing at all was written: the folder does not exist or is empty.
nothing_in() {
  [ -z "$(ls -A "$1" 2>/dev/null)" ] || fail "$2: $1 is not empty: $(ls -A "$1")"
}

# The inputs: text, random bytes, an empty file, a name with blanks.
mkdir in
head -c 300000 /dev/urandom >in/random.bin
seq 1 20000 >in/numbers.txt
: >in/empty.dat
printf 'blank name\n' >"in/notes (1).txt"
plain=(in/random.bin in/numbers.txt in/empty.dat "in/notes (1).txt")
mkdir arch
printf 'inside the zip\n' >arch/zipped.txt
head -c 5000 /dev/urandom >arch/zipped.bin
printf 'inside the 7z\n' >arch/seven.txt
(cd arch && 7zz a -tzip -bso0 -bsp0 ../kept.zip zipped.txt && cp ../kept.zip ../unpacked.zip &&
  7zz a -tzip -bso0 -bsp0 ../unpacked.zip zipped.bin && 7zz a -t7z -bso0 -bsp0 ../unpacked.7z seven.txt)

# 1. Ordinary files, default folder: beside the package, named after it.
cli -n plain "${plain[@]}" || fail "building plain"
expect_exit 0 "plain" plain.exe /S
same_files plain "plain" "${plain[@]}"

# 2. Archives: one kept as it is, two unpacked, into /D.
cli -n archives "${plain[@]}" --keep-packed kept.zip unpacked.7z || fail "building archives"
expect_exit 0 "archives" archives.exe /S "/D=$(win "$work/out-archives")"
same_files out-archives "archives" "${plain[@]}" kept.zip arch/seven.txt

cli -n zipunpacked in/numbers.txt unpacked.zip || fail "building zipunpacked"
expect_exit 0 "unpacked zip" zipunpacked.exe /S "/D=$(win "$work/out-zip")"
same_files out-zip "unpacked zip" in/numbers.txt arch/zipped.txt arch/zipped.bin

# 3. A password: none or a wrong one writes nothing.
cli -n secret in/numbers.txt --password s3cret || fail "building secret"
expect_exit 3 "no password" secret.exe /S "/D=$(win "$work/out-secret")"
expect_exit 3 "wrong password" secret.exe /S /P=s3cre "/D=$(win "$work/out-secret")"
nothing_in out-secret "refused password"
expect_exit 0 "right password" secret.exe /S /P=s3cret "/D=$(win "$work/out-secret")"
same_files out-secret "password" in/numbers.txt

# 4. %temp%, and the chooser (unattended: its preset, or /D).
temp_win=$(wrun cmd /c echo %TEMP% | tr -d '\r')
temp_unix=$("$wine_run" winepath -u "$temp_win" 2>/dev/null | tr -d '\r')
mkdir ttmp
cp in/numbers.txt "ttmp/e2e-temp-$$.txt"
cli -n totemp "ttmp/e2e-temp-$$.txt" --extract-to temp || fail "building totemp"
expect_exit 0 "temp option" totemp.exe /S
cmp -s "ttmp/e2e-temp-$$.txt" "$temp_unix/e2e-temp-$$.txt" || fail "temp option: file not in %TEMP%"
rm -f "$temp_unix/e2e-temp-$$.txt"
cli -n ask in/random.bin --extract-to ask || fail "building ask"
expect_exit 0 "ask option, preset" ask.exe /S
same_files ask "ask option, preset" in/random.bin
expect_exit 0 "ask option, /D" ask.exe /S "/D=$(win "$work/out-ask")"
same_files out-ask "ask option, /D" in/random.bin

# 5. A run entry runs in the target folder once extraction is done. The
# command's program is the system's cmd.exe, not one lying beside the
# package.
cli -n runner in/numbers.txt --run 'cmd /c echo ran> marker.txt' || fail "building runner"
[ -z "$planted" ] || cp "$planted" cmd.exe
expect_exit 0 "run entry" runner.exe /S "/D=$(win "$work/out-run")"
grep -q ran out-run/marker.txt 2>/dev/null || fail "run entry: no marker file"
[ ! -e cmd.exe.ran ] || fail "run entry: the cmd.exe beside the package was started"
rm -f cmd.exe cmd.exe.ran

# 6. Signed after it was built: verifies and extracts the same.
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Packforge test" -days 2 \
  -keyout key.pem -out cert.pem >/dev/null 2>&1 || fail "making a certificate"
osslsigncode sign -certs cert.pem -key key.pem -n "Packforge test" -in plain.exe \
  -out signed.exe >/dev/null || fail "signing"
osslsigncode verify -CAfile cert.pem -in signed.exe >verify.log 2>&1 || fail "verify: $(tail -3 verify.log)"
expect_exit 0 "signed" signed.exe /S "/D=$(win "$work/out-signed")"
same_files out-signed "signed" "${plain[@]}"

# 7. Damaged packages: refused, nothing written.
image_end=$(python3 - plain.exe <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', d, 0x3C)[0]
n, opt = struct.unpack_from('<H', d, pe + 6)[0], struct.unpack_from('<H', d, pe + 20)[0]
t = pe + 24 + opt
print(max(sum(struct.unpack_from('<II', d, t + 40 * i + 16)) for i in range(n)))
PY
)
head -c "$image_end" plain.exe >agent.exe
head -c -1 plain.exe >truncated.exe
expect_exit 2 "truncated by one byte" truncated.exe /S "/D=$(win "$work/out-bad")"
head -c -1 signed.exe >signed-truncated.exe
expect_exit 2 "signed, truncated" signed-truncated.exe /S "/D=$(win "$work/out-bad")"
cp plain.exe flipped.exe
printf 'k' | dd of=flipped.exe bs=1 seek="$image_end" conv=notrunc status=none
expect_exit 2 "flipped signature byte" flipped.exe /S "/D=$(win "$work/out-bad")"
libs=(--entry 1 7z.dll "$bin/7z.dll" --entry 1 Client7z.dll "$bin/Client7z.dll")
python3 "$here/make_package.py" agent.exe oversize.exe "${libs[@]}" --entry 0 a.txt in/numbers.txt \
  --size-delta 1
expect_exit 2 "size larger than the file" oversize.exe /S "/D=$(win "$work/out-bad")"
mkdir -p sandbox
for name in '..\evil.txt' 'C:\x' 'a/b' 'NUL.txt'; do
  python3 "$here/make_package.py" agent.exe hostile.exe "${libs[@]}" --entry 0 ok.txt in/numbers.txt \
    --entry 0 "$name" in/numbers.txt
  expect_exit 2 "entry $name" hostile.exe /S "/D=$(win "$work/sandbox/target")"
done
[ "$(ls -A sandbox)" = "" ] || fail "hostile entries: sandbox holds $(ls -A sandbox)"
[ ! -e evil.txt ] && [ ! -e "$work/sandbox/evil.txt" ] || fail "hostile entries: evil.txt was written"
if [ -n "$unsafe7z" ]; then
  python3 "$here/make_package.py" agent.exe climbing.exe "${libs[@]}" --entry 0 ok.txt in/numbers.txt \
    --entry 1 unsafe.7z "$unsafe7z"
  expect_exit 2 "archive entry climbing out" climbing.exe /S "/D=$(win "$work/sandbox/target")"
  [ "$(ls -A sandbox)" = "" ] || fail "climbing archive: sandbox holds $(ls -A sandbox)"
fi
nothing_in out-bad "damaged packages"

# 8. Two packages at once do not share a temporary folder.
"$wine_run" plain.exe /S "/D=$(win "$work/out-par1")" 2>/dev/null &
p1=$!
"$wine_run" archives.exe /S "/D=$(win "$work/out-par2")" 2>/dev/null &
p2=$!
wait $p1 || fail "parallel 1: exit $?"
wait $p2 || fail "parallel 2: exit $?"
same_files out-par1 "parallel 1" "${plain[@]}"
same_files out-par2 "parallel 2" "${plain[@]}" kept.zip arch/seven.txt

# No private temporary folder outlives its run.
leftovers=$(ls -d "$temp_unix"/pfx-* 2>/dev/null)
[ -z "$leftovers" ] || fail "temporary folders left: $leftovers"

finish "agent end to end"
