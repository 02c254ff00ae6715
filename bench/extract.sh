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
best() { sort -g | head -n 1; }

: >7zz.runs
: >7zz-slp.runs
: >agent.runs
: >win7zz.runs
for _ in $(seq 1 "$runs"); do
  rm -rf x7 x7n x7w xa && sync
  /usr/bin/time -v -o t.txt 7zz x -bso0 -bsp0 -ox7 archive.7z
  echo "$(seconds "$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' t.txt)") $(field 'Maximum resident set size (kbytes)' t.txt)" >>7zz.runs
  sync
  # The same without the huge pages native 7-Zip asks Linux for (-slp-),
  # which Wine gives no Windows program.
  /usr/bin/time -v -o t.txt 7zz x -slp- -bso0 -bsp0 -ox7n archive.7z
  echo "$(seconds "$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' t.txt)") $(field 'Maximum resident set size (kbytes)' t.txt)" >>7zz-slp.runs
  rm -rf x7n && sync
  /usr/bin/time -v -o t.txt "$wine_run" "$work/win7zz/7zz.exe" x -bso0 -bsp0 "-o$(win "$work/x7w")" archive.7z
  echo "$(seconds "$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' t.txt)") $(field 'Maximum resident set size (kbytes)' t.txt)" >>win7zz.runs
  diff -r x7 x7w >/dev/null || { echo "bench: 7zz.exe's files differ from 7zz's" >&2; exit 1; }
  rm -rf x7w && sync
  /usr/bin/time -v -o t.txt "$wine_run" package.exe /S "/D=$(win "$work/xa")"
  echo "$(seconds "$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' t.txt)") $(field 'Maximum resident set size (kbytes)' t.txt)" >>agent.runs
  diff -r x7 xa >/dev/null || { echo "bench: the agent's files differ from 7zz's" >&2; exit 1; }
done
t7=$(cut -d' ' -f1 7zz.runs | best)
tn=$(cut -d' ' -f1 7zz-slp.runs | best)
tw=$(cut -d' ' -f1 win7zz.runs | best)
ta=$(cut -d' ' -f1 agent.runs | best)
m7=$(cut -d' ' -f2 7zz.runs | sort -g | tail -n 1)
mn=$(cut -d' ' -f2 7zz-slp.runs | sort -g | tail -n 1)
mw=$(cut -d' ' -f2 win7zz.runs | sort -g | tail -n 1)
ma=$(cut -d' ' -f2 agent.runs | sort -g | tail -n 1)
echo "extraction bench: $mib MiB corpus, 64 files; package $(stat -c %s package.exe) bytes, archive $(stat -c %s archive.7z) bytes; best of $runs"
printf '%-17s %10s %12s\n' program wall_s peak_MiB
printf '%-17s %10s %12s\n' "7zz x" "$t7" "$((m7 / 1024))"
printf '%-17s %10s %12s\n' "7zz x -slp-" "$tn" "$((mn / 1024))"
printf '%-17s %10s %12s\n' "7zz.exe x (Wine)" "$tw" "$((mw / 1024))"
printf '%-17s %10s %12s\n' "agent /S" "$ta" "$((ma / 1024))"
awk -v ta="$ta" -v t7="$t7" -v tn="$tn" -v tw="$tw" 'BEGIN {
  printf "time ratio agent/7zz %.3f (target <= 1.10); against 7zz x -slp- %.3f; against 7zz.exe x under Wine %.3f\n",
    ta / t7, ta / tn, ta / tw }'
WINEPREFIX=$PF_WINEPREFIX wineserver -k >/dev/null 2>&1 || true
