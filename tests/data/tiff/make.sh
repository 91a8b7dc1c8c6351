#!/bin/bash
# Makes the TIFF structure pictures: sound TIFFs in both byte orders (the
# big-endian one tagged with orientation 6), each with its reference made by
# ImageMagick (turned upright by -auto-orient, as a PPM); damaged copies of the
# little-endian one, each with one fault of its structure (written by Python);
# and sound files that not every decoder reads: a TIFF compressed as JPEG, a
# 16-bit TIFF with associated alpha, a BigTIFF, a TIFF of one plane a channel,
# and a cursor (an icon file of
# type 2, its hot spot where an icon keeps planes and depth).
# Run from anywhere; writes beside this script.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Red, green / blue, yellow: every turn and mirror gives another arrangement.
convert -size 8x4 xc:'#E01818' xc:'#18C018' +append "$work/top.ppm"
convert -size 8x4 xc:'#1818E0' xc:'#E0E018' +append "$work/bottom.ppm"
convert "$work/top.ppm" "$work/bottom.ppm" -append "$work/quarters.png"

convert "$work/quarters.png" -type TrueColor -compress none -define tiff:endian=lsb little-endian.tif
convert little-endian.tif -depth 8 little-endian.ppm
convert "$work/quarters.png" -type TrueColor -compress LZW -define tiff:endian=msb -orient RightTop big-endian-6.tif
[ "$(head -c 2 big-endian-6.tif)" = MM ]
convert big-endian-6.tif -auto-orient -depth 8 big-endian-6.ppm

convert "$work/quarters.png" -type TrueColor -compress JPEG jpeg.tif
convert "$work/quarters.png" -alpha set -channel A -evaluate set 60% +channel -depth 16 \
  -define tiff:alpha=associated associated-alpha-16.tif
convert "$work/quarters.png" -type TrueColor TIFF64:big.tif
convert "$work/quarters.png" -type TrueColor -interlace Plane -compress none planar.tif
convert "$work/quarters.png" -define icon:auto-resize=16 "$work/icon.ico"

python3 - "$work/icon.ico" <<'PY'
import struct, sys
icon = bytearray(open(sys.argv[1], 'rb').read())
icon[2:4] = struct.pack('<H', 2)
icon[10:14] = struct.pack('<HH', 3, 4)
open('cursor.cur', 'wb').write(icon)

sound = open('little-endian.tif', 'rb').read()
assert sound[:4] == b'II*\0'
ifd = struct.unpack_from('<I', sound, 4)[0]
count = struct.unpack_from('<H', sound, ifd)[0]
entries = {struct.unpack_from('<H', sound, ifd + 2 + 12 * i)[0]: ifd + 2 + 12 * i for i in range(count)}
next_offset = ifd + 2 + 12 * count
def damaged(name, at, fmt, value):
    data = bytearray(sound)
    struct.pack_into(fmt, data, at, value)
    open('damaged-' + name + '.tif', 'wb').write(data)
damaged('ifd-loop', next_offset, '<I', ifd)                  # IFD0 is its own next IFD
damaged('ifd-outside', 4, '<I', len(sound) + 100)            # IFD0 past the end
damaged('entries-past-end', ifd, '<H', 5000)                 # 5000 entries claimed
damaged('unknown-type', entries[297] + 2, '<H', 99)          # the page number of type 99
damaged('value-past-end', entries[319] + 8, '<I', len(sound) - 8)  # primary chromaticities: 48 bytes
PY
