#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian 12
# machine, from Debian's own archive only. Safe to run again: it does nothing
# when every package and the 7-Zip source are already present.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev clang-format
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 fonts-wine xvfb xauth x11-apps x11-utils imagemagick
  googletest 7zip osslsigncode openssl dpkg-dev python3 time
)

need=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# 7z.dll is built from Debian's 7zip source package, so apt needs a deb-src
# entry. Only amd64 is used: the i386 architecture must never be added here.
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
