#!/usr/bin/env bash
# Takes pictures of the real wizard: runs build/<tree>/bin/Packforge.exe
# under the current X display (make screenshots provides an Xvfb), shows
# each page in turn and saves page0.png .. page3.png and about.png in
# <tree>/screenshots. With --manual the page pictures also replace the
# manual's images.
#
# usage: screenshots.sh BUILD_TREE [--manual]
set -euo pipefail
tree=$(cd "$1" && pwd)
update_manual=${2:-}
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$tree/bin
remote=$tree/tests/wizard_remote.exe
out=$tree/screenshots
run=$here/scripts/wine-run.sh
export WINEDEBUG=-all

[ -f "$bin/Packforge.exe" ] || { echo "screenshots: $bin/Packforge.exe is not built" >&2; exit 1; }
[ -f "$remote" ] || { echo "screenshots: $remote is not built" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "screenshots: no X display" >&2; exit 1; }
mkdir -p "$out"

# Without a window manager Wine draws the frame and caption only of
# unmanaged windows; the setting is taken back at the end.
key='HKCU\Software\Wine\AppDefaults\Packforge.exe\X11 Driver'
"$run" reg add "$key" /v Managed /d N /f >/dev/null 2>&1
cleanup() {
  "$run" reg delete "$key" /f >/dev/null 2>&1 || true
  [ -n "${wizard:-}" ] && kill "$wizard" 2>/dev/null || true
}
trap cleanup EXIT

(cd "$bin" && exec "$run" ./Packforge.exe) &
wizard=$!

# Crops the root window to a Windows screen rectangle (the same pixels:
# unmanaged windows sit where Windows puts them).
snap() {
  local geometry=$1 file=$2
  import -window root -crop "$geometry" +repage "$file"
  echo "screenshots: $file ($geometry)"
}

"$run" "$remote" wait >/dev/null
for page in 0 1 2 3; do
  geometry=$("$run" "$remote" page "$page" | tr -d '\r')
  # One more round trip, so the page has painted.
  "$run" "$remote" wait >/dev/null
  snap "$geometry" "$out/page$page.png"
done
geometry=$("$run" "$remote" about 0 | tr -d '\r')
"$run" "$remote" wait >/dev/null
snap "$geometry" "$out/about.png"
"$run" "$remote" close-about
"$run" "$remote" close
wait "$wizard" || true
wizard=

if [ "$update_manual" = "--manual" ]; then
  cp "$out"/page[0-3].png "$here/manual/images/"
  echo "screenshots: manual/images updated"
fi
