#!/usr/bin/env bash
# Times one package build with packforge-cli.exe under Wine against the
# host's `7zz a -t7z -mx5` on the same corpus, and reports wall time, peak
# memory and output sizes side by side. Two reference rows: the same 7zz
# with its huge pages off, and 7-Zip's own console program built for
# Windows from the same source as 7z.dll ("7zz.exe-wine"), run under Wine:
# what the same packing costs on this platform before any code of ours.
#
# usage: bench/run.sh BUILD_TREE [MIB...]     (default: 128 512)
#        BENCH_RUNS=n: n runs of each, in alternating order; the median wall
#        and CPU time and the highest peak are reported (default 1).
#
# CPU time (user + system) is shown beside wall time: on a shared machine it
# is the steadier of the two.
# Peak memory is GNU time's "Maximum resident set size": for 7zz its own
# process; for the builder the largest process it waited for, which is the
# Windows process itself (wine's loader becomes it; the wineserver is
# started beforehand, so it is not counted).
set -euo pipefail
tree=$(cd "${1:?usage: bench/run.sh BUILD_TREE [MIB...]}" && pwd)
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(128 512)
source "$(dirname "$0")/common.sh"
[ -f "$tree/bin/packforge-cli.exe" ] || { echo "bench: build $tree first" >&2; exit 1; }

work=$(mktemp -d /tmp/pf-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
if [ -f "$tree/bin/SelfExtractor.exe" ]; then
  agent_note="agent: $tree/bin/SelfExtractor.exe"
else
  # Only the agent's bytes are copied into the package; any PE file will do.
  cp "$tree/tests/stand_in_agent.exe" SelfExtractor.exe
  agent_note="agent: the test stand-in tests/stand_in_agent.exe ($(stat -c %s SelfExtractor.exe) bytes; no real agent built yet)"
fi

win7zz=$work/win7zz
"$root/scripts/build-7zdll.sh" x86_64 "$win7zz" 7zz.exe

# One wineserver for every run, started (and the prefix readied) up front.
"$root/scripts/persistent-wineserver.sh" 120

field() { sed -n "s/^[[:space:]]*$1: //p" "$2"; }
median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { printf "%.2f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
seconds() {  # h:mm:ss or m:ss.ss -> seconds
  awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f", s }' <<<"$1"
}

# Native 7-Zip asks Linux for transparent huge pages for its match-finder
# tables (madvise); a Windows program under Wine gets ordinary 4 KiB pages.
# "7zz-slp-" is the same packing with huge pages off (7-Zip's -slp-), to show
# how much of the difference that alone makes.
thp=$(sed -n 's/.*\[\(.*\)\].*/\1/p' /sys/kernel/mm/transparent_hugepage/enabled 2>/dev/null || echo unknown)
echo "packforge bench: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), transparent huge pages: $thp; ${BENCH_RUNS:-1} run(s) each; $agent_note"
printf '%-6s %-12s %10s %10s %12s %14s\n' MiB program wall_s cpu_s peak_MiB output_bytes
programs=(7zz 7zz-slp- 7zz.exe-wine pf)
# The package's own archive (its last entry) against 7zz's: the size target
# leaves the fixed files (agent, libraries, header) aside.
pf_archive_row() {
  local mib=$1 s7=$2 sp=$3
  local archive
  archive=$(python3 "$root/bench/package_archive.py" out/package.exe)
  awk -v mib="$mib" -v a="$archive" -v s7="$s7" -v fixed="$((sp - archive))" 'BEGIN {
    printf "%-6s archive in the package %d bytes = %.4f x the 7zz archive (target <= 1.005); fixed files %d bytes\n",
      mib, a, a / s7, fixed }'
}
for mib in "${sizes[@]}"; do
  rm -rf corpus out ref.7z && mkdir out
  python3 "$corpus_script" corpus "$mib" 64
  files=(corpus/*)
  sync
  declare -A wall=() cpu=() peak=() walls=() cpus=()
  for ((run = 0; run < ${BENCH_RUNS:-1}; run++)); do
    # Alternating order, so neither side always runs on a warmer machine.
    order=("${programs[@]}")
    ((run % 2)) && order=(pf 7zz.exe-wine 7zz-slp- 7zz)
    for who in "${order[@]}"; do
      case $who in
        7zz)
          rm -f ref.7z
          /usr/bin/time -v -o run.time 7zz a -t7z -mx5 -bso0 -bsp0 ref.7z "${files[@]}" ;;
        7zz-slp-)
          rm -f ref-slp.7z
          /usr/bin/time -v -o run.time 7zz a -t7z -mx5 -slp- -bso0 -bsp0 ref-slp.7z "${files[@]}" ;;
        7zz.exe-wine)
          rm -f ref-win.7z
          /usr/bin/time -v -o run.time "$wine_run" "$win7zz/7zz.exe" a -t7z -mx5 -bso0 -bsp0 ref-win.7z \
            "${files[@]}" ;;
        pf)
          /usr/bin/time -v -o run.time "$wine_run" "$tree/bin/packforge-cli.exe" -o out \
            -n package "${files[@]}" > pf.log 2>&1 || { cat pf.log >&2; exit 1; } ;;
      esac
      t=$(seconds "$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' run.time)")
      m=$(field 'Maximum resident set size (kbytes)' run.time)
      c=$(awk -v u="$(field 'User time (seconds)' run.time)" -v s="$(field 'System time (seconds)' run.time)" \
        'BEGIN { printf "%.2f", u + s }')
      walls[$who]="${walls[$who]:-} $t"
      cpus[$who]="${cpus[$who]:-} $c"
      if ((m > ${peak[$who]:-0})); then peak[$who]=$m; fi
    done
  done
  for who in "${programs[@]}"; do
    wall[$who]=$(median <<<"${walls[$who]}")
    cpu[$who]=$(median <<<"${cpus[$who]}")
  done
  s7=$(stat -c %s ref.7z)
  sp=$(stat -c %s out/package.exe)
  for who in "${programs[@]}"; do
    case $who in
      7zz) size=$s7 ;; 7zz-slp-) size=$(stat -c %s ref-slp.7z) ;; 7zz.exe-wine) size=$(stat -c %s ref-win.7z) ;;
      pf) size=$sp ;;
    esac
    printf '%-6s %-12s %10s %10s %12s %14s\n' "$mib" "${who/#pf/packforge}" "${wall[$who]}" "${cpu[$who]}" \
      "$((peak[$who] / 1024))" "$size"
  done
  echo "       load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  awk -v tp="${wall[pf]}" -v t7="${wall[7zz]}" -v tn="${wall[7zz-slp-]}" -v tw="${wall[7zz.exe-wine]}" \
    -v cp="${cpu[pf]}" -v c7="${cpu[7zz]}" \
    -v mp="${peak[pf]}" -v m7="${peak[7zz]}" -v sp="$sp" -v s7="$s7" -v mib="$mib" 'BEGIN {
    printf "%-6s time ratio packforge/7zz %.3f wall (target <= 0.80), %.3f cpu; against 7zz -slp- %.3f wall;", mib, tp / t7, cp / c7, tp / tn
    printf " against 7zz.exe under Wine %.3f wall; peak memory %+d MiB (target <= 0); package - archive %+d bytes\n",
      tp / tw, (mp - m7) / 1024, sp - s7 }'
  pf_archive_row "$mib" "$s7" "$sp"
  unset wall cpu peak walls cpus
done
WINEPREFIX=$PF_WINEPREFIX wineserver -k >/dev/null 2>&1 || true
