#!/usr/bin/env bash
# The native row: the Linux packforge-cli (build/linux/bin) against the
# host's `7zz a -t7z -mx5` on the same corpus, no Wine on either side.
# Three runs of each in alternating order; the median wall time and peak
# memory are reported, with the sizes: the package should be the archive
# plus the fixed files (agent, 7z.dll, Client7z.dll) and the header.
#
# usage: bench/native.sh LINUX_TREE [MIB...]     (default: 128 512)
#        BENCH_RUNS=n: n runs of each instead of 3.
set -euo pipefail
tree=$(cd "${1:?usage: bench/native.sh LINUX_TREE [MIB...]}" && pwd)
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(128 512)
source "$(dirname "$0")/common.sh"
bin=$tree/bin
[ -x "$bin/packforge-cli" ] || { echo "bench: build $tree first (make linux)" >&2; exit 1; }
runs=${BENCH_RUNS:-3}

work=$(mktemp -d /tmp/pf-bench-native.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
field() { sed -n "s/^[[:space:]]*$1: //p" "$2"; }
seconds() {  # h:mm:ss or m:ss.ss -> seconds
  awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f", s }' <<<"$1"
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

fixed=$(($(stat -c %s "$bin/SelfExtractor.exe") + $(stat -c %s "$bin/7z.dll") + $(stat -c %s "$bin/Client7z.dll")))
echo "packforge native bench: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); median of $runs interleaved runs"
printf '%-6s %-18s %10s %12s %14s\n' MiB program wall_s peak_MiB output_bytes
for mib in "${sizes[@]}"; do
  rm -rf corpus out ref.7z && mkdir out
  python3 "$corpus_script" corpus "$mib" 64
  names=($(cd corpus && ls))
  sync
  walls_7zz=() walls_pf=() peaks_7zz=() peaks_pf=()
  for ((run = 0; run < runs; run++)); do
    order=(7zz pf)
    ((run % 2)) && order=(pf 7zz)
    for who in "${order[@]}"; do
      case $who in
        7zz)
          rm -f ref.7z
          # Bare names, as the package's archive stores them.
          (cd corpus && /usr/bin/time -v -o ../run.time 7zz a -t7z -mx5 -bso0 -bsp0 ../ref.7z "${names[@]}") ;;
        pf)
          (cd corpus && /usr/bin/time -v -o ../run.time "$bin/packforge-cli" -o ../out -n package \
            "${names[@]}" > ../pf.log 2>&1) || { cat pf.log >&2; exit 1; } ;;
      esac
      t=$(seconds "$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' run.time)")
      m=$(field 'Maximum resident set size (kbytes)' run.time)
      eval "walls_$who+=($t) peaks_$who+=($m)"
    done
  done
  w7=$(median "${walls_7zz[@]}") wp=$(median "${walls_pf[@]}")
  m7=$(median "${peaks_7zz[@]}") mp=$(median "${peaks_pf[@]}")
  s7=$(stat -c %s ref.7z) sp=$(stat -c %s out/package.exe)
  # The package's own archive: its blocks differ from 7zz's, so its size is
  # compared with 7zz's apart from what the package adds around it.
  sa=$(python3 "$(dirname "$corpus_script")/package_archive.py" out/package.exe)
  printf '%-6s %-18s %10s %12s %14s\n' "$mib" 7zz "$w7" "$((m7 / 1024))" "$s7"
  printf '%-6s %-18s %10s %12s %14s\n' "$mib" packforge-native "$wp" "$((mp / 1024))" "$sp"
  echo "       walls 7zz: ${walls_7zz[*]}; packforge: ${walls_pf[*]}; load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  awk -v tp="$wp" -v t7="$w7" -v mp="$mp" -v m7="$m7" -v sp="$sp" -v s7="$s7" -v sa="$sa" -v fixed="$fixed" -v mib="$mib" 'BEGIN {
    printf "%-6s native: time ratio packforge/7zz %.3f wall (target <= 1.05); peak memory %+d MiB (target within 64);", mib, tp / t7, (mp - m7) / 1024
    printf " its archive %d bytes, %+.2f%% against 7zz'"'"'s;", sa, (sa - s7) * 100.0 / s7
    printf " package - its archive %d bytes (fixed files %d, the rest is the stamped icon and the header)\n", sp - sa, fixed }'
done
