#!/usr/bin/env bash
# Builds a package from sample files with the console front end, extracts
# it unattended with the agent it carries, and shows that every file came
# back byte for byte. usage: scripts/demo.sh [build/win64]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tree=$(cd "${1:-$here/build/win64}" && pwd)
bin=$tree/bin
export PF_WINEPREFIX=${PF_WINEPREFIX:-$tree/../wineprefix}
export WINEDEBUG=-all
wine_run=$here/scripts/wine-run.sh
for f in packforge-cli.exe SelfExtractor.exe Client7z.dll 7z.dll ZPK_ICON.ico; do
  [ -f "$bin/$f" ] || { echo "demo: $bin/$f is missing; run make win64" >&2; exit 1; }
done
work=$tree/demo
rm -rf "$work"
mkdir -p "$work/samples"
win() { printf 'Z:%s' "${1//\//\\}"; }

# A few kinds of sample: text, structured binary, random bytes, an empty
# file, a name with blanks, and a zip the package carries as it is.
cd "$work/samples"
seq 1 50000 >numbers.txt
python3 -c "import sys; sys.stdout.buffer.write(bytes(range(256)) * 4096)" >pattern.bin
head -c 2000000 /dev/urandom >random.dat
: >empty.txt
printf 'Read me first.\r\n' >"read me.txt"
mkdir -p zipped && printf 'packed inside a zip\n' >zipped/inner.txt
(cd zipped && 7zz a -tzip -bso0 -bsp0 ../kept.zip inner.txt) && rm -rf zipped
cd "$work"
samples=(samples/*)
echo "demo: packing ${#samples[@]} sample files into demo.exe"
"$wine_run" "$bin/packforge-cli.exe" -o "$(win "$work")" -n demo \
  --message "Packforge demo" --title "Demo" --keep-packed samples/kept.zip "${samples[@]}"
ls -l demo.exe

echo "demo: extracting unattended: demo.exe /S /D=out"
start=$(date +%s.%N)
rc=0
"$wine_run" demo.exe /S "/D=$(win "$work/out")" || rc=$?
echo "demo: agent exit code $rc after $(python3 -c "print(round($(date +%s.%N) - $start, 2))") s"
[ $rc -eq 0 ] || exit 1

status=0
for f in "${samples[@]}"; do
  name=$(basename "$f")
  if cmp -s "$f" "out/$name"; then
    printf '  identical  %10d  %s\n' "$(stat -c %s "$f")" "$name"
  else
    printf '  DIFFERENT             %s\n' "$name"
    status=1
  fi
done
extra=$(comm -13 <(cd samples && ls -A | sort) <(cd out && ls -A | sort))
[ -z "$extra" ] || { echo "demo: unexpected files: $extra"; status=1; }
[ $status -eq 0 ] && echo "demo: every file came back identical" || echo "demo: FAILED"
exit $status
