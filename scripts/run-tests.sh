#!/usr/bin/env bash
# Runs every test: the native core first (fast, under ASan/UBSan), then the
# Windows tests of both trees under Wine, x86_64 and i686, each in its own
# prefix. Fails when any test fails. Where the bootstrap could not install
# wine32, the i686 tests are reported as skipped with its reason.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEDEBUG=-all
status=0
skipped=
ctest --test-dir "$build/host" --output-on-failure -j 2 || status=1

# Why 32-bit Windows programs cannot run here, or nothing when they can.
wine32_missing() {
  local note=${PACKFORGE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/packforge}/wine32-missing
  if [ -f "$note" ]; then
    tr '\n' ' ' <"$note"
  elif [ ! -x /usr/lib/wine/wine ]; then
    echo "wine32 is not installed (/usr/lib/wine/wine is missing); run scripts/bootstrap.sh"
  fi
}

for tree in win64 win32; do
  if [ "$tree" = win32 ]; then
    reason=$(wine32_missing)
    if [ -n "$reason" ]; then
      count=$(ctest --test-dir "$build/$tree" -N | sed -n 's/^Total Tests: //p')
      skipped="SKIPPED: ${count:-all} i686 Windows tests ($build/$tree): $reason"
      echo "$skipped"
      continue
    fi
  fi
  # The tree's own prefix, as its ctest emulator (wine-env.sh) picks it.
  prefix=$("$build/$tree/wine-env.sh" sh -c 'echo "$PF_WINEPREFIX"')
  arch=$("$build/$tree/wine-env.sh" sh -c 'echo "$WINEARCH"')
  echo "== $tree: Windows tests under Wine ($arch prefix $prefix)"
  # One wineserver for the whole run instead of one per test binary.
  PF_WINEPREFIX=$prefix WINEARCH=$arch "$here/scripts/persistent-wineserver.sh" 60 || true
  # One at a time: the Windows tests share one Wine prefix and one display.
  ctest --test-dir "$build/$tree" --output-on-failure -j 1 || status=1
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
done
# The Linux program folder: its packages against the 32-bit Windows
# program's (which needs wine32), and a build with no Wine on PATH.
if [ -d "$build/linux" ]; then
  echo "== linux: the native program folder"
  reason=$(wine32_missing)
  if [ -n "$reason" ]; then
    ctest --test-dir "$build/linux" --output-on-failure -E native_same_package || status=1
    skipped="${skipped:+$skipped
}SKIPPED: native_same_package ($build/linux): $reason"
  else
    ctest --test-dir "$build/linux" --output-on-failure -j 1 || status=1
  fi
fi
# Repeated last, where a CI log is read.
[ -z "$skipped" ] || echo "$skipped"
exit $status
