#!/bin/bash
# Makes the orientation test pictures: a 48x32 picture of four coloured quarters
# stored as a JPEG, tagged with each Exif orientation by exiftool (odd values
# little-endian, even values big-endian), and each turned upright by
# ImageMagick's -auto-orient into a PPM reference. Also a progressive 96x64 copy
# tagged 6 and its reference. Run from anywhere; writes beside this script.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Red, green / blue, yellow: every turn and mirror gives another arrangement.
convert -size 24x16 xc:'#E01818' xc:'#18C018' +append "$work/top.ppm"
convert -size 24x16 xc:'#1818E0' xc:'#E0E018' +append "$work/bottom.ppm"
convert "$work/top.ppm" "$work/bottom.ppm" -append "$work/quarters.ppm"
convert "$work/quarters.ppm" -sampling-factor 1x1 -quality 95 "$work/stored.jpg"
convert "$work/quarters.ppm" -scale 200% -sampling-factor 2x2 -quality 90 -interlace JPEG "$work/progressive.jpg"
tag() {  # file orientation byte-order
  exiftool -q -overwrite_original -n -ExifByteOrder="$3" -Orientation="$2" "$1"
  [ "$(exiftool -s3 -n -Orientation "$1")" = "$2" ]
}
for v in 1 2 3 4 5 6 7 8; do
  order=MM
  [ $((v % 2)) -eq 1 ] && order=II
  cp "$work/stored.jpg" "orientation-$v.jpg"
  tag "orientation-$v.jpg" "$v" "$order"
  convert "orientation-$v.jpg" -auto-orient "upright-$v.ppm"
done
cp "$work/progressive.jpg" progressive-6.jpg
tag progressive-6.jpg 6 II
convert progressive-6.jpg -auto-orient upright-progressive-6.ppm
