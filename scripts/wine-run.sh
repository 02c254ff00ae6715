#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix. Used as
# CMake's cross-compiling emulator, so ctest runs the Windows tests with it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${PF_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Windows shows the dialogs' "MS Shell Dlg" in Microsoft Sans Serif; Wine's
# default, Tahoma, is wider and clips the templates' labels. Liberation Sans
# (fonts-liberation) has Arial's metrics, close to what Windows users see.
# A stamp of its own, so prefixes made before this step get it too.
fonts_stamp=$WINEPREFIX/.pf-fonts-1
if [ ! -f "$WINEPREFIX/.pf-ready" ] || [ ! -f "$fonts_stamp" ]; then
  mkdir -p "$WINEPREFIX"
  # One first start per prefix (about 10 s); a lock keeps parallel tests
  # from initialising it twice.
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.pf-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      # Wine's own Tahoma and Marlett (Debian's fonts-wine) into the
      # prefix, for the dialogs that ask for them by name.
      if [ -d /usr/share/wine/fonts ]; then
        cp -f /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
      fi
      wineserver -w || true
      touch "$WINEPREFIX/.pf-ready"
    fi
    if [ ! -f "$fonts_stamp" ]; then
      substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
      for face in "MS Shell Dlg" "MS Shell Dlg 2"; do
        wine reg add "$substitutes" /v "$face" /t REG_SZ /d "Liberation Sans" /f >/dev/null 2>&1 ||
          { echo "wine-run: cannot map $face to Liberation Sans in $WINEPREFIX" >&2; exit 1; }
      done
      wineserver -w || true
      touch "$fonts_stamp"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
# PF_WINE_LOADER: the benches name /usr/lib/wine/wine64 here, since with
# wine32 installed `wine` starts a 64-bit program as a separate process that
# GNU time neither waits for nor measures.
exec "${PF_WINE_LOADER:-wine}" "$@"
