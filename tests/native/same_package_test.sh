#!/usr/bin/env bash
# The Linux packforge-cli against the shipped 32-bit packforge-cli.exe under
# Wine: for each option set of the table both write a package from the same
# files, and the two must be the same file, byte for byte. Then a package
# written on Linux is run by its own agent under Wine and must extract to
# exactly the input files.
#
# usage: same_package_test.sh LINUX_BIN WIN32_TREE
set -euo pipefail
linux=$(cd "$1" && pwd)
win32=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
wine_run() { "$win32/wine-env.sh" "$root/scripts/wine-run.sh" "$@"; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }

work=$(mktemp -d)
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
cd "$work"
mkdir in
# What the archive records of each file must come out as the Windows
# client records it: a time with nanoseconds, a read-only file, a dot name.
printf 'notes\n' > in/notes.txt
touch -d '2024-02-03 04:05:06.123456789' in/notes.txt
python3 -c 'import random,sys; r=random.Random(7); sys.stdout.buffer.write(bytes(r.getrandbits(8) for _ in range(300000)))' > in/data.bin
printf 'do not change\n' > in/readonly.txt
chmod 444 in/readonly.txt
printf 'hidden on Windows\n' > in/.settings
printf 'setup\n' > in/setup.cmd
(cd in && 7zz a -tzip -bso0 -bsp0 ../kept.zip notes.txt)
mkdir zipped && printf 'inside a ticked archive\n' > zipped/inner.txt
(cd zipped && 7zz a -tzip -bso0 -bsp0 ../ticked.zip inner.txt)
# An icon of two images (16 and 32 pixels, 32-bit).
python3 - <<'PY'
import struct
def image(size, colour):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytes(colour) * (size * size)
    mask = b'\0' * (((size + 31) // 32) * 4 * size)
    return header + pixels + mask
images = [image(16, (0, 0, 255, 255)), image(32, (0, 255, 0, 255))]
out = struct.pack('<HHH', 0, 1, len(images))
offset = 6 + 16 * len(images)
for size, data in zip((16, 32), images):
    out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
open('custom.ico', 'wb').write(out + b''.join(images))
PY

files=(in/notes.txt in/data.bin in/readonly.txt in/.settings in/setup.cmd)
# name | options (one word each; "@" stands for this folder)
table=(
  "plain|"
  "archives|@/ticked.zip --keep-packed @/kept.zip"
  "icon|--icon @/custom.ico"
  "message|--message Extracting_the_tools --title Tools"
  "temp|--extract-to temp"
  "ask|--extract-to ask"
  "password|--password s3cret"
  "run|--run setup.cmd"
  "everything|--icon @/custom.ico --message Unpacking --title Tools --extract-to temp --password pw --run setup.cmd @/ticked.zip --keep-packed @/kept.zip"
)
mkdir out-linux out-windows
for row in "${table[@]}"; do
  name=${row%%|*}
  read -r -a options <<<"${row#*|}"
  lin=() win=()
  for o in "${options[@]}"; do
    case $o in
      @/*) lin+=("$work/${o#@/}") win+=("$(winpath "$work/${o#@/}")") ;;
      *) lin+=("${o//_/ }") win+=("${o//_/ }") ;;
    esac
  done
  for f in "${files[@]}"; do lin+=("$work/$f") win+=("$(winpath "$work/$f")"); done
  "$linux/packforge-cli" -o "$work/out-linux" -n "$name" "${lin[@]}" > "linux-$name.log" 2>&1 ||
    { cat "linux-$name.log" >&2; fail "$name: the Linux packforge-cli failed"; }
  wine_run "$win32/bin/packforge-cli.exe" -o "$(winpath "$work/out-windows")" -n "$name" "${win[@]}" \
    > "windows-$name.log" 2>&1 || { cat "windows-$name.log" >&2; fail "$name: packforge-cli.exe failed"; }
  cmp "out-linux/$name.exe" "out-windows/$name.exe" ||
    fail "$name: the Linux package differs from the Windows one"
  echo "same package: $name ($(stat -c %s "out-linux/$name.exe") bytes)"
done

# The Linux-built package extracted by its own agent under Wine.
wine_run "out-linux/archives.exe" /S "/D=$(winpath "$work/extracted")" ||
  fail "the agent failed on the Linux-built package (exit $?)"
for f in "${files[@]}"; do
  cmp "$f" "extracted/${f#in/}" || fail "extracted ${f#in/} differs"
done
cmp kept.zip extracted/kept.zip || fail "the kept archive differs"
cmp zipped/inner.txt extracted/inner.txt || fail "the ticked archive's file differs"
echo "the Linux-built package extracts to the input files under Wine"
