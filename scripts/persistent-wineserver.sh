#!/usr/bin/env bash
# Starts one wineserver for the private prefix that stays up SECONDS after
# its last program ends, so that a series of runs shares one Wine session
# instead of each paying for a new one (server, services, desktop).
# The persistence can only be set when the server starts, so a server
# already running in the prefix (with its programs) is ended first; waiting
# for it does not work, as its own services keep it up.
#
# usage: persistent-wineserver.sh SECONDS     (needs PF_WINEPREFIX)
set -uo pipefail
seconds=${1:?usage: persistent-wineserver.sh SECONDS}
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${PF_WINEPREFIX:?PF_WINEPREFIX is not set}
# The first run readies the prefix itself.
[ -d "$WINEPREFIX/drive_c" ] || "$here/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
if ! wineserver -p "$seconds" 2>/dev/null; then
  wineserver -k 2>/dev/null
  wineserver -p "$seconds" || exit 1
fi
# The session's own services start with the first program.
"$here/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
