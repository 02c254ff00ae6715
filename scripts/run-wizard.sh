#!/usr/bin/env bash
# Opens the wizard under Wine, or says why it cannot.
set -euo pipefail
bin=$1
# Before the cd: $0 may be relative.
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -f "$bin/Packforge.exe" ]; then
  echo "run: the wizard (Packforge.exe) is not built yet; 'make demo' builds a package with the console front end." >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "run: no display (DISPLAY is unset), so the wizard cannot open here; 'make demo' builds and extracts a sample package headlessly." >&2
  exit 1
fi
cd "$bin"
exec "$here/wine-run.sh" ./Packforge.exe
