#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian 12
# machine, from Debian's own archive only. Safe to run again: it does nothing
# when every package and the 7-Zip source are already present.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev clang-format
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 fonts-wine fonts-liberation xvfb xauth x11-apps x11-utils imagemagick
  googletest 7zip osslsigncode openssl dpkg-dev python3 time icoutils
)

need=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# 7z.dll is built from Debian's 7zip source package, so apt needs a deb-src
# entry.
src_list=/etc/apt/sources.list.d/packforge-src.sources
if [ ! -f "$src_list" ]; then
  "${sudo_cmd[@]}" tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  updated=0
else
  updated=1
fi

if [ ${#need[@]} -gt 0 ] || [ "$updated" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "bootstrap: installing ${need[*]}"
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# The shipped program is 32-bit: the i686 tests need Debian's wine32 from the
# i386 architecture. Where its index cannot be reached the build goes on and
# the i686 tests report themselves skipped with the reason recorded here.
i386_note=${PACKFORGE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/packforge}/wine32-missing
mkdir -p "$(dirname "$i386_note")"
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  rm -f "$i386_note"
else
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  if "${sudo_cmd[@]}" apt-get update -qq 2>"$i386_note.log" &&
     echo "bootstrap: installing wine32:i386" &&
     "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends wine32:i386 >>"$i386_note.log" 2>&1; then
    rm -f "$i386_note" "$i386_note.log"
  else
    { echo "wine32:i386 could not be installed (is the i386 index reachable?):"; tail -n 5 "$i386_note.log"; } >"$i386_note"
    echo "bootstrap: WARNING: $(head -n 1 "$i386_note"); the i686 tests will be reported as skipped" >&2
  fi
fi
