#!/usr/bin/env bash
# Writes the distributables into BUILD/dist: each tree's program folder as a
# zip, the 32-bit program packaged by itself as a setup program, and their
# SHA-256 sums. Needs both Windows trees built and 32-bit Wine.
#
# usage: dist.sh [BUILD]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
dist=$build/dist
version=
for tree in win32 win64; do
  header=$build/$tree/generated/packforge_version.h
  [ -f "$header" ] || { echo "dist: $build/$tree is not configured (make $tree)" >&2; exit 1; }
  v=$(sed -n 's/^#define PF_VERSION_STRING "\(.*\)"$/\1/p' "$header")
  [ -z "$version" ] || [ "$v" = "$version" ] ||
    { echo "dist: win32 is version $version, win64 $v: rebuild both" >&2; exit 1; }
  version=$v
done
[ -x /usr/lib/wine/wine ] ||
  { echo "dist: the setup program is built by the 32-bit packforge-cli.exe, which needs wine32 (scripts/bootstrap.sh)" >&2; exit 1; }

rm -rf "$dist"
mkdir -p "$dist"
for tree in win32 win64; do
  python3 "$here/scripts/make_zip.py" "$build/$tree/bin" "$dist/Packforge-$version-$tree.zip" \
    "Packforge-$version"
done
"$here/scripts/make-setup.sh" "$build/win32" "$dist" "Packforge-$version-setup" >/dev/null
(cd "$dist" && sha256sum Packforge-"$version"-win32.zip Packforge-"$version"-win64.zip \
  Packforge-"$version"-setup.exe >SHA256SUMS)
ls -l "$dist"
