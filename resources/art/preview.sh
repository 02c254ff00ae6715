#!/bin/sh
# Converts the generated art to PNG for viewing: preview.sh ARTDIR [PNGDIR]
# Icons are also shown enlarged 4x on a button-grey backdrop, so the mask
# edges can be judged the way the buttons show them.
set -eu
src=$1
dst=${2:-$1/png}
mkdir -p "$dst"
for f in "$src"/*.bmp "$src"/*.ico; do
  base=$(basename "$f")
  name=${base%.*}
  convert "$f" "$dst/$name.png"
  case $f in
  *.ico)
    convert "$f" -background '#f0f0f0' -flatten -filter point -resize 400% "$dst/${name}_x4.png"
    ;;
  esac
done
echo "PNGs in $dst"
