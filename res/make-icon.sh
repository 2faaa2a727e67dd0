#!/usr/bin/env bash
# Draws the application icon and writes res/PelkinUpdate.ico: a blue stick
# with a white arrow pointing into it. Fourteen images: 16, 24, 32 and 48
# pixels in 4-bit and 8-bit colour, and 16, 24, 32, 48, 64 and 256 pixels in
# 32-bit colour (the 256-pixel one stored as PNG).
# Needs ImageMagick (convert) and icoutils (icotool).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The master drawing, 256 x 256 with soft edges.
convert -size 256x256 xc:none \
  -fill '#1f4e9c' -stroke '#0d2a5c' -strokewidth 6 -draw 'roundrectangle 56,96 200,244 20,20' \
  -fill '#c9d6ea' -stroke none -draw 'rectangle 96,40 160,100' \
  -fill '#0d2a5c' -draw 'rectangle 108,56 120,72' -draw 'rectangle 136,56 148,72' \
  -fill white -draw 'polygon 104,120 152,120 152,168 184,168 128,224 72,168 104,168' \
  -depth 8 "PNG32:$work/master.png"

args=()
for size in 16 24 32 48; do
  # Palette images: opaque or transparent, nothing between (the icon's mask).
  convert "$work/master.png" -resize ${size}x${size} -channel A -threshold 50% +channel \
    -dither None -colors 15 "$work/p4-$size.png"
  convert "$work/master.png" -resize ${size}x${size} -channel A -threshold 50% +channel \
    -dither None -colors 255 "$work/p8-$size.png"
  args+=(-b 4 "$work/p4-$size.png" -b 8 "$work/p8-$size.png")
done
for size in 16 24 32 48 64; do
  convert "$work/master.png" -resize ${size}x${size} "PNG32:$work/rgba-$size.png"
  args+=(-b 32 "$work/rgba-$size.png")
done
args+=(--raw="$work/master.png")

icotool -c -o "$here/PelkinUpdate.ico" "${args[@]}"
icotool -l "$here/PelkinUpdate.ico"
