#!/usr/bin/env bash
# Renders the icon, through gdk-pixbuf's SVG loader, at the classic Be icon
# sizes (32 and 16 pixels) and at 64, which the executable's resources use,
# and at the hicolor theme's sizes, which the installed tree puts in
# share/icons/hicolor/<N>x<N>/apps/pelivant.png. The PNGs are committed so
# that building needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")"
for size in 64 32 16; do
  gdk-pixbuf-thumbnailer -s "$size" Pelivant.svg "Pelivant-$size.png"
done
for size in 16 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}"
  gdk-pixbuf-thumbnailer -s "$size" Pelivant.svg "hicolor/${size}x${size}/pelivant.png"
done
