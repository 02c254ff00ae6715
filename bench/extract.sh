#!/usr/bin/env bash
# Times extraction of the corpus package by its own agent (unattended, /S)
# under Wine against the host's `7zz x`: of 7zz's own default archive of the
# same corpus (what a user of 7zz waits for), and of the very archive the
# package carries. Reports wall time, CPU time, peak memory and sizes.
#
# usage: bench/extract.sh BUILD_TREE [MIB] [RUNS]     (default: 128 3)
#
# The runs alternate between the programs; wall and CPU time are the median
# of RUNS, peak memory the highest. Peak memory is GNU time's "Maximum
# resident set size": for the agent, the Windows process itself (the
# wineserver is started beforehand and not counted).
set -euo pipefail
tree=$(cd "${1:?usage: bench/extract.sh BUILD_TREE [MIB] [RUNS]}" && pwd)
mib=${2:-128}
runs=${3:-3}
source "$(dirname "$0")/common.sh"
[ -f "$tree/bin/SelfExtractor.exe" ] || { echo "bench: build $tree first" >&2; exit 1; }

work=$(mktemp -d /tmp/pf-xbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
win() { printf 'Z:%s' "${1//\//\\}"; }
# 7-Zip's own console program built for Windows from the same source as
# 7z.dll: the same unpacking under Wine before any code of ours.
"$root/scripts/build-7zdll.sh" x86_64 "$work/win7zz" 7zz.exe
"$root/scripts/persistent-wineserver.sh" 120

python3 "$corpus_script" corpus "$mib" 64
"$wine_run" "$tree/bin/packforge-cli.exe" -o "$(win "$work")" -n package corpus/* >build.log 2>&1 ||
  { cat build.log >&2; exit 1; }
# The archive the package carries: its last entry, cut out by the header.
python3 "$root/bench/package_archive.py" package.exe archive.7z >/dev/null
# 7zz's own archive of the corpus, at its defaults.
7zz a -t7z -mx5 -bso0 -bsp0 ref.7z corpus/* >/dev/null

field() { sed -n "s/^[[:space:]]*$1: //p" "$2"; }
seconds() { awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.3f", s }' <<<"$1"; }
# timed RUNS_FILE COMMAND...: runs COMMAND and adds "wall_s peak_KiB cpu_s" to RUNS_FILE.
timed() {
  local runs_file=$1
  shift
  /usr/bin/time -v -o t.txt "$@"
  echo "$(seconds "$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' t.txt)") $(field 'Maximum resident set size (kbytes)' t.txt)" \
    "$(awk -v u="$(field 'User time (seconds)' t.txt)" -v s="$(field 'System time (seconds)' t.txt)" 'BEGIN { printf "%.2f", u + s }')" >>"$runs_file"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
wall() { cut -d' ' -f1 "$1" | median; }
cpu() { cut -d' ' -f3 "$1" | median; }
peak() { cut -d' ' -f2 "$1" | sort -g | tail -n 1; }       # the highest
same_as_7zz() { diff -r x7 "$1" >/dev/null || { echo "bench: $2's files differ from 7zz's" >&2; exit 1; }; }

: >7zz-own.runs
: >7zz.runs
: >7zz-slp.runs
: >win7zz.runs
: >agent.runs
# 7zz x of 7zz's own default archive: the reference the agent is held to.
own_archive_row() {
  rm -rf x7d && sync
  timed 7zz-own.runs 7zz x -bso0 -bsp0 -ox7d ref.7z
  diff -r x7d/corpus corpus >/dev/null || { echo "bench: 7zz's own archive does not give the corpus back" >&2; exit 1; }
  rm -rf x7d
}
for run in $(seq 1 "$runs"); do
  rm -rf x7 x7n x7w xa && sync
  ((run % 2)) && own_archive_row
  timed 7zz.runs 7zz x -bso0 -bsp0 -ox7 archive.7z
  sync
  # The same without the huge pages native 7-Zip asks Linux for (-slp-),
  # which Wine gives no Windows program.
  timed 7zz-slp.runs 7zz x -slp- -bso0 -bsp0 -ox7n archive.7z
  rm -rf x7n && sync
  timed win7zz.runs "$wine_run" "$work/win7zz/7zz.exe" x -bso0 -bsp0 "-o$(win "$work/x7w")" archive.7z
  same_as_7zz x7w 7zz.exe
  rm -rf x7w && sync
  timed agent.runs "$wine_run" package.exe /S "/D=$(win "$work/xa")"
  same_as_7zz xa "the agent"
  ((run % 2)) || own_archive_row
done
echo "extraction bench: $mib MiB corpus, 64 files; package $(stat -c %s package.exe) bytes, its archive $(stat -c %s archive.7z) bytes, 7zz's default archive $(stat -c %s ref.7z) bytes; median of $runs"
printf '%-26s %10s %10s %12s %14s\n' program wall_s cpu_s peak_MiB archive_bytes
for row in "7zz x (7zz's archive):7zz-own.runs:ref.7z" "7zz x:7zz.runs:archive.7z" "7zz x -slp-:7zz-slp.runs:archive.7z" \
  "7zz.exe x (Wine):win7zz.runs:archive.7z" "agent /S:agent.runs:package.exe"; do
  IFS=: read -r name runs_file archive <<<"$row"
  printf '%-26s %10s %10s %12s %14s\n' "$name" "$(wall "$runs_file")" "$(cpu "$runs_file")" \
    "$(($(peak "$runs_file") / 1024))" "$(stat -c %s "$archive")"
done
awk -v ta="$(wall agent.runs)" -v to="$(wall 7zz-own.runs)" -v t7="$(wall 7zz.runs)" -v tw="$(wall win7zz.runs)" \
  -v pa="$(peak agent.runs)" 'BEGIN {
  printf "time ratio agent/7zz x of its own archive %.3f (target <= 0.80); agent peak %d MiB (target <= 128);",
    ta / to, pa / 1024
  printf " against 7zz x of the same archive %.3f; against 7zz.exe x under Wine %.3f\n", ta / t7, ta / tw }'
WINEPREFIX=$PF_WINEPREFIX wineserver -k >/dev/null 2>&1 || true
