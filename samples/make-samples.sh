#!/usr/bin/env bash
# samples/make-samples.sh: makes the small pictures in samples/ with ImageMagick.
# The outputs are committed; run this again only to change them.
#
# The "quadrants" pictures are 64 x 48 pixels: red top-left, lime top-right,
# blue bottom-left, white bottom-right. Tests read their colours at known places.
set -euo pipefail
cd "$(dirname "$0")"

quadrants() {
  convert -size 32x24 xc:red xc:lime +append \( -size 32x24 xc:blue xc:white +append \) -append "$@"
}

# An EXIF APP1 segment whose IFD0 holds only Orientation = $1, spliced in after
# the SOI marker of JPEG $2, written to $3 (exiftool is not needed).
with_orientation() {
  local value=$1 source=$2 target=$3
  {
    head -c 2 "$source"
    printf '\xff\xe1\x00\x22Exif\x00\x00MM\x00\x2a\x00\x00\x00\x08\x00\x01'
    printf "\\x01\\x12\\x00\\x03\\x00\\x00\\x00\\x01\\x00\\x0$value\\x00\\x00\\x00\\x00\\x00\\x00"
    tail -c +3 "$source"
  } >"$target"
}

quadrants -strip PNG24:quadrants.png
quadrants -strip -alpha on PNG32:quadrants-rgba.png # an alpha channel, all opaque
quadrants -strip -quality 95 -sampling-factor 1x1 quadrants.jpg
with_orientation 6 quadrants.jpg quadrants-exif6.jpg
quadrants -strip -quality 95 -sampling-factor 1x1 -colorspace CMYK quadrants-cmyk.jpg
quadrants -strip -define webp:lossless=true quadrants.webp
quadrants -strip -compress none -orient RightTop quadrants-rot6.tiff
quadrants -strip quadrants.bmp

# Alpha: left half opaque red, right half blue at alpha 128, top-right corner
# fully transparent.
convert -size 32x48 xc:red \( -size 32x48 xc:'rgba(0,0,255,0.50196)' \) +append \
  -region 8x8+56+0 -alpha transparent +region -strip PNG32:alpha.png

# Two frames: red, then blue; viewers show the first.
convert -delay 50 -size 32x32 xc:red xc:blue -loop 0 animated.gif

# One pixel wide, 50 tall: a gradient from black to white.
convert -size 1x50 gradient:black-white -strip PNG24:column.png

printf 'This is a text file, not a picture.\n' >notes.txt

# Photo-like pictures for the demo.
convert -size 640x480 gradient:'#1d3557'-'#e76f51' \
  \( -size 640x480 xc: -fx 'sin(i/19)*cos(j/23)*0.15+0.5' \) -compose overlay -composite \
  -strip -quality 88 harbour-at-dusk.jpg
convert -size 320x240 radial-gradient:'#ffd166'-'#073b4c' -strip PNG24:a.png
convert -size 400x300 plasma:fractal -seed 7 -strip -quality 85 b.jpg

# Video clips come from their own script.
if [ -x ./make-clips.sh ]; then
  ./make-clips.sh
fi
