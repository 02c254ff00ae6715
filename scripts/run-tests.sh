#!/usr/bin/env bash
# Runs every test: the native core first (fast, under ASan/UBSan), then the
# Windows build under Wine. Fails when any test fails.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
export PF_WINEPREFIX=${PF_WINEPREFIX:-$here/$build/wineprefix}
export WINEDEBUG=-all
status=0
ctest --test-dir "$build/host" --output-on-failure -j 2 || status=1
# One wineserver for the whole run instead of one per test binary.
"$here/scripts/persistent-wineserver.sh" 60 || true
# One at a time: the Windows tests share one Wine prefix and one display.
ctest --test-dir "$build/win64" --output-on-failure -j 1 || status=1
WINEPREFIX=$PF_WINEPREFIX wineserver -k >/dev/null 2>&1 || true
exit $status
