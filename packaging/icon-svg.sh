#!/bin/sh
# Writes the desktop icon: the About window's picture (a JPEG) inside a
# scalable SVG, so the icon theme's "scalable" folder can hold it.
# Usage: icon-svg.sh PICTURE.jpg OUT.svg
set -eu
picture=$1
out=$2
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n'
  printf '<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="100" height="100" viewBox="0 0 100 100">\n'
  printf '  <image width="100" height="100" xlink:href="data:image/jpeg;base64,'
  base64 -w0 "$picture"
  printf '"/>\n</svg>\n'
} >"$out.tmp"
mv "$out.tmp" "$out"
