#!/usr/bin/env bash
# What progress reporting costs: Client7z.dll packing ("a") and unpacking
# ("x") the corpus through "Decompress" and through "DecompressEx" with a
# callback, and packforge-cli building the package with its progress lines
# and with --quiet. Runs alternate between the two ways so that a change in
# the machine's load hits both alike.
#
# usage: bench/progress.sh BUILD_TREE [MIB] [RUNS]     (default: 128 3)
#
# Each figure is the best of RUNS, wall time under Wine's 64-bit loader.
set -euo pipefail
tree=$(cd "${1:?usage: bench/progress.sh BUILD_TREE [MIB] [RUNS]}" && pwd)
mib=${2:-128}
runs=${3:-3}
source "$(dirname "$0")/common.sh"
call=$tree/tests/client_call.exe
[ -f "$call" ] || { echo "bench: build $tree (target client_call) first" >&2; exit 1; }

work=$(mktemp -d /tmp/pf-pbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
win() { printf 'Z:%s' "${1//\//\\}"; }
"$root/scripts/persistent-wineserver.sh" 120
python3 "$corpus_script" corpus "$mib" 64
mapfile -t files < <(find corpus -type f | sort)
client=$(win "$tree/bin/Client7z.dll")

# timed NAME COMMAND...: adds COMMAND's wall time to NAME.runs.
timed() {
  local name=$1
  shift
  /usr/bin/time -f %e -o t.txt "$@" >"$name.out" 2>&1 || { cat "$name.out" >&2; exit 1; }
  cat t.txt >>"$name.runs"
}
best() { sort -g "$1.runs" | head -n 1; }

for ((i = 0; i < runs; i++)); do
  for way in plain callback; do
    rm -f "$way.7z" && rm -rf "x-$way"
    timed "a-$way" "$wine_run" "$call" "$client" "$way" a "$(win "$work/$way.7z")" "${files[@]}"
    timed "x-$way" "$wine_run" "$call" "$client" "$way" x "$(win "$work/$way.7z")" "$(win "$work/x-$way")"
  done
  diff -r corpus x-callback >/dev/null || { echo "bench: unpacked files differ" >&2; exit 1; }
  rm -rf out && mkdir out
  timed cli-progress "$wine_run" "$tree/bin/packforge-cli.exe" -o out -n with "${files[@]}"
  timed cli-quiet "$wine_run" "$tree/bin/packforge-cli.exe" --quiet -o out -n without "${files[@]}"
done

echo "progress cost, $mib MiB in ${#files[@]} files, best of $runs (seconds):"
printf '  %-28s %8s %8s %8s\n' "" without with change
row() {
  local a b
  a=$(best "$2") b=$(best "$3")
  printf '  %-28s %8.2f %8.2f %+7.1f%%\n' "$1" "$a" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN { print (b - a) * 100 / a }')"
}
row "client a (pack)" a-plain a-callback
row "client x (unpack)" x-plain x-callback
row "packforge-cli build" cli-quiet cli-progress
echo "  callback calls: a $(sed -n 's/.*calls \([0-9]*\).*/\1/p' a-callback.out), x $(sed -n 's/.*calls \([0-9]*\).*/\1/p' x-callback.out)"
