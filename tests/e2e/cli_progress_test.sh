#!/usr/bin/env bash
# packforge-cli.exe's progress when stderr is not a terminal (a CI log):
# for each stage, packing then writing, at most one line per tenth, in
# rising order, ending at 100%, then the closing line; --quiet writes
# nothing on a good build and still the error on a failed one.
#
# usage: cli_progress_test.sh BIN_DIR WORK_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
work=$2
source "$(dirname "$0")/script_lib.sh"

python3 "$here/../../bench/make_corpus.py" corpus 16 6 >/dev/null
mapfile -t inputs < <(find corpus -type f | sort)
mkdir out

"$wine_run" "$bin/packforge-cli.exe" -o out -n progress "${inputs[@]}" 2> log.txt ||
  { cat log.txt >&2; fail "the build failed"; }
tr -d '\r' < log.txt > log
for stage in packing writing; do
  grep "^$stage " log > "$stage.lines" || true
  # "packing  40%  12.3 MB/s  0:31 left"
  if grep -Ev "^$stage +[0-9]{1,3}%  +([0-9]+\.[0-9]|--\.-) MB/s  ([0-9]+:)?[0-9]+:[0-9]{2}|--:-- left$" \
      "$stage.lines" >&2; then
    fail "$stage: a line not in the expected form"
  fi
  mapfile -t percents < <(sed -E 's/^[a-z]+ +([0-9]+)%.*/\1/' "$stage.lines")
  [ "${#percents[@]}" -ge 1 ] && [ "${#percents[@]}" -le 10 ] ||
    fail "$stage: ${#percents[@]} lines, not 1 to 10"
  last=-1
  for p in "${percents[@]}"; do
    [ $((p / 10)) -gt $((last < 0 ? -1 : last / 10)) ] || fail "$stage: $p% after $last%"
    last=$p
  done
  [ "$last" = 100 ] || fail "$stage: ends at $last%"
done
# Packing runs for long enough on this corpus to be seen on its way.
[ "$(wc -l < packing.lines)" -ge 3 ] || fail "packing was not reported on its way"
[ "$(grep -n '^packing' log | tail -1 | cut -d: -f1)" -lt "$(grep -n '^writing' log | head -1 | cut -d: -f1)" ] ||
  fail "packing and writing lines interleave"
tail -1 log | grep -q '^packforge-cli: wrote .*progress\.exe$' || fail "no closing line last"
[ -f out/progress.exe ] || fail "no package"

# A small build will do: what matters is that it says nothing.
"$wine_run" "$bin/packforge-cli.exe" --quiet -o out -n quiet "${inputs[0]}" 2> quiet.txt ||
  fail "the quiet build failed"
[ -f out/quiet.exe ] || fail "--quiet: no package"
[ ! -s quiet.txt ] || { cat quiet.txt >&2; fail "--quiet: a good build said something"; }
if "$wine_run" "$bin/packforge-cli.exe" -q -o out -n bad corpus/missing.txt 2> bad.txt; then
  fail "--quiet: a build of a missing file succeeded"
fi
grep -q 'missing.txt' bad.txt || { cat bad.txt >&2; fail "--quiet: the error was not shown"; }

finish cli_progress_test
