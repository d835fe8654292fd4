#!/usr/bin/env bash
# Renders the icon at the classic Be icon sizes (32 and 16 pixels) and at 64
# for desktop use, through gdk-pixbuf's SVG loader. The executable carries the
# SVG itself; the PNGs are committed for places that want bitmaps.
set -euo pipefail
cd "$(dirname "$0")"
for size in 64 32 16; do
  gdk-pixbuf-thumbnailer -s "$size" Pelivant.svg "Pelivant-$size.png"
done
