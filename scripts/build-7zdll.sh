#!/usr/bin/env bash
# Builds 7z.dll for one target from Debian's 7zip source package and caches
# it outside the build tree, keyed by the source version, so that a fresh
# build tree costs a copy instead of a four-minute compile.
#
# usage: build-7zdll.sh ARCH OUT_DIR [PROGRAM]
#        ARCH: x86_64 or i686 (MinGW), or native (this machine's compiler).
#        PROGRAM: 7z.dll (default) or 7zz.exe, 7-Zip's own console program
#        built the same way, which the benches run under Wine to show what
#        the platform itself costs; natively 7z.so, the same codec library
#        for the Linux console front end.
# Prints nothing on a cache hit; leaves OUT_DIR/PROGRAM and OUT_DIR/src (a
# link to the unpacked source tree whose headers Client7z.dll compiles
# against).
set -euo pipefail
arch=$1
out=$2
program=${3:-7z.dll}
case $program in
  7z.dll) bundle=Format7zF ;;
  7zz.exe) bundle=Alone2 ;;
  7z.so) bundle=Format7zF ;;
  *) echo "build-7zdll: unknown program $program" >&2; exit 1 ;;
esac
cache=${PACKFORGE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/packforge}
version=$(apt-cache showsrc 7zip 2>/dev/null | sed -n 's/^Version: //p' | head -n 1)
[ -n "$version" ] || { echo "build-7zdll: no 7zip source package known to apt (run scripts/bootstrap.sh)" >&2; exit 1; }
srcroot=$cache/7zip-src/$version
dllroot=$cache/7zdll/$version/$arch

mkdir -p "$cache/7zip-src"
if [ ! -f "$srcroot/.complete" ]; then
  rm -rf "$srcroot" && mkdir -p "$srcroot"
  (cd "$srcroot" && apt-get source -qq 7zip >/dev/null 2>&1)
  touch "$srcroot/.complete"
fi
tree=$(find "$srcroot" -mindepth 1 -maxdepth 1 -type d -name '7zip-*' | head -n 1)
[ -d "$tree/CPP/7zip/Bundles/$bundle" ] || { echo "build-7zdll: unexpected source layout in $srcroot" >&2; exit 1; }

if [ ! -f "$dllroot/$program" ] && [ "$arch" = native ]; then
  obj=$cache/7zdll/$version/$arch.$program.obj
  rm -rf "$obj" && mkdir -p "$obj"
  echo "build-7zdll: compiling $program (native, 7zip $version); this takes a minute or two once"
  make -s -C "$tree/CPP/7zip/Bundles/$bundle" -f makefile.gcc -j"$(nproc)" \
    DISABLE_RAR=1 O="$obj" >"$obj/build.log" 2>&1 || { tail -n 30 "$obj/build.log" >&2; exit 1; }
  strip "$obj/$program"
  mkdir -p "$dllroot"
  cp "$obj/$program" "$dllroot/$program.tmp" && mv "$dllroot/$program.tmp" "$dllroot/$program"
  rm -rf "$obj"
fi
if [ ! -f "$dllroot/$program" ]; then
  case $arch in
    x86_64) cross=x86_64-w64-mingw32; extra="IS_X64=1" ;;
    i686) cross=i686-w64-mingw32; extra="" ;;
    *) echo "build-7zdll: unknown arch $arch" >&2; exit 1 ;;
  esac
  obj=$cache/7zdll/$version/$arch.$program.obj
  rm -rf "$obj" && mkdir -p "$obj"
  echo "build-7zdll: compiling $program ($arch, 7zip $version); this takes a few minutes once"
  # MSYSTEM selects the makefile's POSIX rm/mkdir; DISABLE_RAR drops the
  # non-free RAR codecs that Debian's source does not carry.
  make -s -C "$tree/CPP/7zip/Bundles/$bundle" -f makefile.gcc -j"$(nproc)" \
    IS_MINGW=1 DISABLE_RAR=1 MSYSTEM=1 $extra O="$obj" \
    CC="$cross-gcc-posix" CXX="$cross-g++-posix" RC="$cross-windres" \
    >"$obj/build.log" 2>&1 || { tail -n 30 "$obj/build.log" >&2; exit 1; }
  "$cross-strip" "$obj/$program"
  mkdir -p "$dllroot"
  cp "$obj/$program" "$dllroot/$program.tmp" && mv "$dllroot/$program.tmp" "$dllroot/$program"
  rm -rf "$obj"
fi
mkdir -p "$out"
cp -p "$dllroot/$program" "$out/$program"
ln -sfn "$tree" "$out/src"
