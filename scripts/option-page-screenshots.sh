#!/usr/bin/env bash
# Pictures of the icon, password and run pages, filled in, as PNG files in
# <build>/screenshots (run with a display: scripts/with-display.sh).
set -euo pipefail
build=${1:-build/win64}
here=$(cd "$(dirname "$0")/.." && pwd)
out=$build/screenshots
mkdir -p "$out"
export PF_SCREENSHOT_DIR
PF_SCREENSHOT_DIR=$(winepath -w "$out" 2>/dev/null || echo "$out")
(cd "$build/tests" && "$here/scripts/wine-run.sh" ./page_screenshots.exe \
  --gtest_also_run_disabled_tests --gtest_brief=1)
for f in "$out"/*.bmp; do
  convert "$f" "${f%.bmp}.png" && rm -f "$f"
done
ls "$out"
