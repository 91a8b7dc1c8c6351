#!/bin/bash
# Makes the pictures that keep their Exif orientation in a chunk of their own:
# the 48x32 picture of four coloured quarters (as in ../exif) as a PNG and as a
# lossless WebP (Debian's webp: cwebp), tagged with each orientation by
# exiftool (libimage-exiftool-perl; odd values little-endian, even values
# big-endian). The PNGs' references are PIL's ImageOps.exif_transpose as PPM.
# The even WebPs get their Exif data back from webpmux with "Exif\0\0" before
# it, as some writers put it. Also two PNGs tagged 6 that must read as stored:
# one with its eXIf chunk moved after the image data (PIL still turns it;
# browsers do not), one whose IFD0 offset points past the Exif data (with a
# sound CRC, so that the decoder keeps the chunk).
# Run from anywhere; writes beside this script.
set -euo pipefail
cd "$(dirname "$0")"
python=/usr/bin/python3  # Debian's, with its PIL
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Red, green / blue, yellow: every turn and mirror gives another arrangement.
$python - "$work/quarters.png" <<'PY'
import sys
from PIL import Image
picture = Image.new('RGB', (48, 32))
for (x, y, colour) in ((0, 0, 0xE01818), (24, 0, 0x18C018), (0, 16, 0x1818E0), (24, 16, 0xE0E018)):
    picture.paste((colour >> 16, colour >> 8 & 0xFF, colour & 0xFF), (x, y, x + 24, y + 16))
picture.save(sys.argv[1])
PY
# -z 9 happens to give an odd image chunk, followed by a pad byte.
cwebp -quiet -lossless -z 9 "$work/quarters.png" -o "$work/quarters.webp"
tag() {  # file orientation byte-order
  exiftool -q -overwrite_original -n -ExifByteOrder="$3" -Orientation="$2" "$1"
  [ "$(exiftool -s3 -n -Orientation "$1")" = "$2" ]
}
upright() {  # picture reference.ppm
  $python -c 'import sys; from PIL import Image, ImageOps
ImageOps.exif_transpose(Image.open(sys.argv[1])).convert("RGB").save(sys.argv[2])' "$1" "$2"
}
for v in 1 2 3 4 5 6 7 8; do
  order=MM
  [ $((v % 2)) -eq 1 ] && order=II
  cp "$work/quarters.png" "orientation-$v.png"
  tag "orientation-$v.png" "$v" "$order"
  upright "orientation-$v.png" "upright-$v.ppm"
  cp "$work/quarters.webp" "orientation-$v.webp"
  tag "orientation-$v.webp" "$v" "$order"
  if [ "$order" = MM ]; then
    webpmux -get exif "orientation-$v.webp" -o "$work/tiff" >/dev/null 2>&1
    { printf 'Exif\0\0'; cat "$work/tiff"; } >"$work/exif"
    webpmux -set exif "$work/exif" "$work/quarters.webp" -o "orientation-$v.webp" >/dev/null 2>&1
    [ "$(exiftool -s3 -n -Orientation "orientation-$v.webp")" = "$v" ]
  fi
done
$python - <<'PY'
import struct, zlib
def chunks(data):
    at, found = 8, []
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        found.append((kind, data[at + 8:at + 8 + length]))
        at += 12 + length
    return found
def png(kinds_and_data):
    return b'\x89PNG\r\n\x1a\n' + b''.join(
        struct.pack('>I', len(d)) + k + d + struct.pack('>I', zlib.crc32(k + d)) for k, d in kinds_and_data)
tagged = chunks(open('orientation-6.png', 'rb').read())
exif = [c for c in tagged if c[0] == b'eXIf']
rest = [c for c in tagged if c[0] != b'eXIf']
open('after-image-data-6.png', 'wb').write(png(rest[:-1] + exif + rest[-1:]))
tiff = exif[0][1]
far = tiff[:4] + struct.pack('>I', len(tiff) + 100) + tiff[8:]
open('ifd-past-end-6.png', 'wb').write(png([(k, far if k == b'eXIf' else d) for k, d in tagged]))
PY
