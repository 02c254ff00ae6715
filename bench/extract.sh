#!/usr/bin/env bash
# Times extraction of the corpus package by its own agent (unattended, /S)
# under Wine against the host's `7zz x` of the very archive the package
# carries, and reports wall time and peak memory side by side.
#
# usage: bench/extract.sh BUILD_TREE [MIB] [RUNS]     (default: 128 3)
#
# Each figure is the best of RUNS. Peak memory is GNU time's "Maximum
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
python3 - package.exe archive.7z <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', d, 0x3C)[0]
n, opt = struct.unpack_from('<H', d, pe + 6)[0], struct.unpack_from('<H', d, pe + 20)[0]
t = pe + 24 + opt
at = max(sum(struct.unpack_from('<II', d, t + 40 * i + 16)) for i in range(n)) + 25
def integer():
    global at
    v = struct.unpack_from('<I', d, at)[0]; at += 6; return v
def string():
    global at
    end = at
    while d[end:end + 2] != b'\0\0': end += 2
    s = d[at:end].decode('utf-16-le'); at = end + 2; return s
count = integer(); string(); integer(); string(); string(); string(); integer()
sizes = []
for _ in range(count):
    integer(); string(); sizes.append(integer())
last = len(d) - sizes[-1]
assert at + sum(sizes) == len(d)
open(sys.argv[2], 'wb').write(d[last:])
PY

field() { sed -n "s/^[[:space:]]*$1: //p" "$2"; }
seconds() { awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.3f", s }' <<<"$1"; }
# timed RUNS_FILE COMMAND...: runs COMMAND and adds "wall_s peak_KiB" to RUNS_FILE.
timed() {
  local runs_file=$1
  shift
  /usr/bin/time -v -o t.txt "$@"
  echo "$(seconds "$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' t.txt)") $(field 'Maximum resident set size (kbytes)' t.txt)" >>"$runs_file"
}
wall() { cut -d' ' -f1 "$1" | sort -g | head -n 1; }       # the best
peak() { cut -d' ' -f2 "$1" | sort -g | tail -n 1; }       # the highest
same_as_7zz() { diff -r x7 "$1" >/dev/null || { echo "bench: $2's files differ from 7zz's" >&2; exit 1; }; }

: >7zz.runs
: >7zz-slp.runs
: >win7zz.runs
: >agent.runs
for _ in $(seq 1 "$runs"); do
  rm -rf x7 x7n x7w xa && sync
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
done
echo "extraction bench: $mib MiB corpus, 64 files; package $(stat -c %s package.exe) bytes, archive $(stat -c %s archive.7z) bytes; best of $runs"
printf '%-17s %10s %12s\n' program wall_s peak_MiB
for row in "7zz x:7zz.runs" "7zz x -slp-:7zz-slp.runs" "7zz.exe x (Wine):win7zz.runs" "agent /S:agent.runs"; do
  printf '%-17s %10s %12s\n' "${row%%:*}" "$(wall "${row#*:}")" "$(($(peak "${row#*:}") / 1024))"
done
awk -v ta="$(wall agent.runs)" -v t7="$(wall 7zz.runs)" -v tn="$(wall 7zz-slp.runs)" -v tw="$(wall win7zz.runs)" 'BEGIN {
  printf "time ratio agent/7zz %.3f (target <= 1.10); against 7zz x -slp- %.3f; against 7zz.exe x under Wine %.3f\n",
    ta / t7, ta / tn, ta / tw }'
WINEPREFIX=$PF_WINEPREFIX wineserver -k >/dev/null 2>&1 || true
