#!/usr/bin/env bash
# Makes the pictures of the big-picture benchmark in the given folder (default
# /tmp/mirokate-big): photo-like JPEGs of 1, 24, 100 and 400 megapixels, the
# 24-megapixel one also tagged with a colour profile and as a 24-bit BMP, the 24- and 100-megapixel ones also as
# PNG, and a 6000 by 4000 zone plate. The
# photo-like picture is smooth shapes, edges of every direction, fine texture and
# sensor-like noise, softened a little as a lens would. Needs vips and ImageMagick
# (scripts/setup installs both for this benchmark only). Files already made are kept.
#   bench/make-pictures.sh [FOLDER]
#   bench/make-pictures.sh FOLDER photo NAME WIDTH HEIGHT   (one photo-like JPEG only)
set -euo pipefail
out=${1:-/tmp/mirokate-big}
mkdir -p "$out"
cd "$out"

photo() {  # name width height
  local name=$1 w=$2 h=$3
  [ -f "$name.jpg" ] && return
  local t
  t=$(mktemp -d)
  vips perlin "$t/a.v" "$w" "$h" --cell-size $((w / 6))
  vips perlin "$t/b.v" "$w" "$h" --cell-size $((w / 50)) --seed 7
  vips worley "$t/c.v" "$w" "$h" --cell-size $((w / 250)) --seed 3
  vips gaussnoise "$t/n.v" "$w" "$h" --sigma 5 --mean 0
  vips bandjoin "$t/a.v $t/a.v $t/a.v" "$t/a3.v"
  vips linear "$t/a3.v" "$t/la.v" "110 80 60" "110 95 85"
  vips bandjoin "$t/b.v $t/b.v $t/b.v" "$t/b3.v"
  vips linear "$t/b3.v" "$t/lb.v" "35 45 60" "0 0 0"
  vips bandjoin "$t/c.v $t/c.v $t/c.v" "$t/c3.v"
  vips linear "$t/c3.v" "$t/lc.v" "$(echo "scale=4; 60 / ($w / 250)" | bc) $(echo "scale=4; 50 / ($w / 250)" | bc) $(echo "scale=4; 40 / ($w / 250)" | bc)" "0 0 0"
  vips bandjoin "$t/n.v $t/n.v $t/n.v" "$t/n3.v"
  vips add "$t/la.v" "$t/lb.v" "$t/s1.v"
  vips add "$t/s1.v" "$t/lc.v" "$t/s2.v"
  vips add "$t/s2.v" "$t/n3.v" "$t/s3.v"
  vips gaussblur "$t/s3.v" "$t/s4.v" 0.6
  vips cast "$t/s4.v" "$t/s5.v" uchar
  vips copy "$t/s5.v" "$name.jpg[Q=90,interlace=false]"
  rm -rf "$t"
}

if [ "${2:-}" = photo ]; then
  photo "$3" "$4" "$5"
  exit 0
fi
photo photo1mp 1224 816
photo photo24mp 6000 4000
photo photo100mp 12247 8165
photo photo400mp 24495 16330
# The same 24-megapixel photo tagged Adobe RGB (colord-data's profile in an APP2
# segment after the start marker; the pixels are the same bytes).
if [ ! -f photo24mp-adobe.jpg ]; then
  /usr/bin/python3 - <<'PY'
import struct
icc = open('/usr/share/color/icc/colord/AdobeRGB1998.icc', 'rb').read()
body = b'ICC_PROFILE\0\1\1' + icc
data = open('photo24mp.jpg', 'rb').read()
open('photo24mp-adobe.jpg', 'wb').write(data[:2] + b'\xff\xe2' + struct.pack('>H', len(body) + 2) + body + data[2:])
PY
fi
[ -f photo24mp.bmp ] || /usr/bin/convert photo24mp.jpg -type TrueColor BMP3:photo24mp.bmp
# The system's codecs read the PNG: its decoder, not ours, decides how it is held.
[ -f photo24mp.png ] || vips copy photo24mp.jpg "photo24mp.png[compression=1]"
[ -f photo100mp.png ] || vips copy photo100mp.jpg "photo100mp.png[compression=1]"
if [ ! -f zone24mp.jpg ]; then
  t=$(mktemp -d)
  vips zone "$t/z.v" 6000 4000
  vips linear "$t/z.v" "$t/z8.v" 127.5 127.5 --uchar
  vips bandjoin "$t/z8.v $t/z8.v $t/z8.v" "$t/z3.v"
  vips copy "$t/z3.v" "zone24mp.jpg[Q=95]"
  rm -rf "$t"
fi
ls -la "$out"
