# Sourced by the end-to-end scripts that go on after a failed check and
# count them: the Wine runner, Windows paths, a fresh work folder, and the
# closing verdict. Expects bin and work to be set.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine_run=$here/../../scripts/wine-run.sh
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
cd "$work"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
win() { printf 'Z:%s' "${1//\//\\}"; }
wrun() { "$wine_run" "$@" 2>/dev/null; }

# Exits 1 with the count when any check failed; else says NAME passed.
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
  fi
  echo "$1: all cases passed"
}
