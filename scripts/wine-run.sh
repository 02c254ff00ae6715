#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix. Used as
# CMake's cross-compiling emulator, so ctest runs the Windows tests with it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${PF_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/.pf-ready" ]; then
  mkdir -p "$WINEPREFIX"
  # One first start per prefix (about 10 s); a lock keeps parallel tests
  # from initialising it twice.
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.pf-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      # Wine's own Tahoma and Marlett (Debian's fonts-wine) into the
      # prefix, so dialogs get the metrics they were laid out for.
      if [ -d /usr/share/wine/fonts ]; then
        cp -f /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
      fi
      wineserver -w || true
      touch "$WINEPREFIX/.pf-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
