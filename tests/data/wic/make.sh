#!/bin/bash
# Makes the pictures that are read through the system's codecs, each with its
# reference made by ImageMagick (laid over black, 8 bits a channel, as a PPM):
# a three-frame GIF animation (the first frame counts), a GIF with transparent
# parts, a two-page TIFF (the first page counts), a 16-bit TIFF, an icon of two
# sizes with transparent parts (the larger counts), a TIFF tagged with
# orientation 6 (its reference turned upright by -auto-orient), small references
# of two of them for the shrink, a PNG named
# .jpg, a WebP (Debian's webp: cwebp) and a HEIC (libheif-examples: heif-enc),
# an icon of 16, 48 and 256 pixels in that order, each drawn apart, as Pillow
# writes it (the largest counts; its reference is Pillow's own largest picture),
# and a PNG whose header claims 32768x32769 pixels (written by Python).
# Run from anywhere; writes beside this script.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
reference() {  # picture[frame] reference.ppm [option...]
  convert "$1" "${@:3}" -background black -alpha remove -alpha off -depth 8 "$2"
}
# Red, green / blue, yellow: every turn and mirror gives another arrangement.
convert -size 24x16 xc:'#E01818' xc:'#18C018' +append "$work/top.ppm"
convert -size 24x16 xc:'#1818E0' xc:'#E0E018' +append "$work/bottom.ppm"
convert "$work/top.ppm" "$work/bottom.ppm" -append "$work/quarters.png"
convert -size 48x32 gradient:'#F0F0F0-#101010' "$work/grey.png"

convert -delay 20 "$work/quarters.png" -size 48x32 xc:'#1818E0' "$work/grey.png" -loop 0 animated.gif
reference 'animated.gif[0]' animated.ppm
convert "$work/quarters.png" -alpha set \( -size 12x8 xc:none \) -geometry +30+4 -compose Copy -composite \
  -fill none -draw 'color 0,0 floodfill' transparent.gif
reference transparent.gif transparent.ppm
convert "$work/quarters.png" "$work/grey.png" pages.tif
reference 'pages.tif[0]' pages.ppm
convert -size 64x24 gradient:'#0A1428-#F5EBD7' -type TrueColor -depth 16 deep.tif
reference deep.tif deep.ppm
convert transparent.gif -define icon:auto-resize=48,16 icon.ico
reference 'icon.ico[0]' icon.ppm
convert "$work/quarters.png" -orient RightTop turned-6.tif
[ "$(exiftool -s3 -n -Orientation turned-6.tif)" = 6 ]
reference turned-6.tif turned-6.ppm -auto-orient
# Shown smaller: upright, resampled with a Lanczos filter.
reference turned-6.tif turned-6-small.ppm -auto-orient -filter Lanczos -resize 8x12!
reference deep.tif deep-small.ppm -filter Lanczos -resize 16x6!
cp ../pngsuite/basn2c08.png png-named.jpg
cwebp -quiet "$work/quarters.png" -o photo.webp
convert "$work/quarters.png" -scale 200% "$work/quarters64.png"
heif-enc -q 60 "$work/quarters64.png" -o photo.heic
/usr/bin/python3 - <<'PY'
from PIL import Image, ImageDraw
def picture(side, colour):
    im = Image.new('RGBA', (side, side), colour)
    draw = ImageDraw.Draw(im)
    draw.ellipse((side // 8, side // 8, side * 7 // 8, side * 5 // 8), fill=(240, 240, 40, 255))
    draw.rectangle((0, side * 3 // 4, side // 2, side - 1), fill=(0, 0, 0, 0))
    return im
picture(256, (30, 60, 200, 255)).save('sizes.ico', sizes=[(16, 16), (48, 48), (256, 256)],
    append_images=[picture(16, (200, 30, 30, 255)), picture(48, (30, 180, 30, 255))])
largest = Image.open('sizes.ico').convert('RGBA')
Image.alpha_composite(Image.new('RGBA', largest.size, (0, 0, 0, 255)), largest).convert('RGB').save('sizes.ppm')
PY
python3 - <<'PY'
import struct, zlib
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
# One grey row only: the reader must refuse the size before reading pixels.
header = struct.pack('>IIBBBBB', 32768, 32769, 8, 0, 0, 0, 0)
pixels = zlib.compress(b'\0' * 32769)
open('huge.png', 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', pixels) + chunk(b'IEND', b''))
PY
# Small LZW TIFFs whose strips break off a third of the way in (the rest of the
# code stream is 0xFF): the header reads, the decode fails. Both are shown enlarged.
convert -size 60x40 gradient:'#E01818-#1818E0' -compress LZW "$work/small.tif"
convert -size 100x70 -seed 7 plasma:fractal -compress LZW "$work/larger.tif"
python3 - "$work/small.tif" damaged-60x40.tif "$work/larger.tif" damaged-100x70.tif <<'PY'
import struct, sys
def cut(source, target):
    data = bytearray(open(source, 'rb').read())
    order = '<' if data[:2] == b'II' else '>'
    ifd = struct.unpack(order + 'I', data[4:8])[0]
    count = struct.unpack(order + 'H', data[ifd:ifd + 2])[0]
    tags = {}
    for i in range(count):
        tag, kind, n, value = struct.unpack(order + 'HHII', data[ifd + 2 + 12 * i:ifd + 14 + 12 * i])
        tags[tag] = value if kind == 4 else (value & 0xFFFF if order == '<' else value >> 16)
    assert tags[259] == 5 and tags[273] and tags[279], 'one LZW strip'
    start, size = tags[273], tags[279]
    data[start + size // 3:start + size] = b'\xff' * (size - size // 3)
    open(target, 'wb').write(bytes(data))
cut(sys.argv[1], sys.argv[2])
cut(sys.argv[3], sys.argv[4])
PY
