#!/bin/bash
# Makes the HEIF and AVIF test pictures with Debian's tools and their references
# with the same libraries' own decoders, laid over black, as 8-bit PPM files:
# - HEIC by heif-enc (8 and 10 bits, with alpha, tagged Adobe RGB), turned by
#   heif_boxes.py (irot and imir; one also carrying an Exif orientation of 6
#   from its JPEG, which must not turn it again) and a grid of 2x2 tiles made
#   by heif_boxes.py from four images heif-enc coded, as phones write them;
#   references by heif-convert;
# - AVIF by heif-enc and avifenc (10 bits, alpha, a 2x1 grid, turned);
#   references by avifdec with its chroma taken from the nearest sample, as
#   libheif takes it, and by heif-convert for the turned one (avifdec does not turn);
# - photo-half.ppm: photo.heic's reference averaged over 2x2 blocks, for the
#   picture resampled as its rows are decoded.
# The Adobe RGB picture's reference is converted to sRGB by lcms2 through PIL.
# hdr-pq.heic holds an sRGB picture (hdr-pq.ppm, every colour below 80 % of
# white in linear light) turned into HDR by the standard formulas: sRGB to
# linear, BT.709 to BT.2020 primaries, SDR white at 203 cd/m², PQ's inverse
# EOTF; 10 bits, coded with nclx 9/16/9 and given that box by heif_boxes.py.
# Read back, it must show as that picture.
# Run from anywhere; writes beside this script.
set -euo pipefail
cd "$(dirname "$0")"
python=/usr/bin/python3  # Debian's, with its PIL
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Smooth colours, a sharp edge and fine lines: 128 by 96, as 8 and 16 bits.
$python - "$work" <<'PY'
import sys
import numpy as np
from PIL import Image
w, h = 128, 96
y, x = np.mgrid[0:h, 0:w].astype(np.float64)
r = 255 * x / (w - 1)
g = 255 * y / (h - 1)
b = np.where(x + y < 80, 230.0, 40.0) + 20 * ((x.astype(int) // 2) % 2)
wide = np.clip(np.dstack([r, g, b]), 0, 255) * 257
Image.fromarray(np.round(wide / 257).astype(np.uint8)).save(sys.argv[1] + '/photo.png')
np.save(sys.argv[1] + '/wide.npy', wide.astype(np.uint16))
alpha = np.clip(255 * x / (w - 1), 0, 255).astype(np.uint8)
Image.fromarray(np.dstack([np.round(wide / 257).astype(np.uint8), alpha]), 'RGBA').save(sys.argv[1] + '/alpha.png')
PY
/usr/bin/convert "$work/photo.png" -depth 16 -evaluate multiply 1.0 "$work/photo16.png"
/usr/bin/convert "$work/photo.png" "$work/photo.jpg"
exiftool -q -overwrite_original -n -Orientation=6 "$work/photo.jpg"
$python -c 'import sys; from PIL import Image
Image.open(sys.argv[1]).save(sys.argv[2], icc_profile=open(sys.argv[3], "rb").read())' \
  "$work/photo.png" "$work/adobe.png" ../colour/adobe-rgb.icc

heif-enc -q 85 "$work/photo.png" -o photo.heic
$python - "$work/pq.ppm" hdr-pq.ppm <<'PY'
import sys
import numpy as np
from PIL import Image
w, h = 64, 48
y, x = np.mgrid[0:h, 0:w].astype(np.float64)
srgb = np.round(np.dstack([20 + 200 * x / (w - 1), 20 + 200 * y / (h - 1), 220 - 200 * x / (w - 1)]))
Image.fromarray(srgb.astype(np.uint8)).save(sys.argv[2])
v = srgb / 255
linear = np.where(v <= 0.04045, v / 12.92, ((v + 0.055) / 1.055) ** 2.4)
to2020 = np.array([[0.6274, 0.3293, 0.0433], [0.0691, 0.9195, 0.0114], [0.0164, 0.0880, 0.8956]])
nits = linear @ to2020.T * 203 / 10000
m1, m2, c1, c2, c3 = 2610 / 16384, 2523 / 4096 * 128, 3424 / 4096, 2413 / 4096 * 32, 2392 / 4096 * 32
p = nits ** m1
signal = ((c1 + c2 * p) / (1 + c3 * p)) ** m2
wide = np.round(signal * 65535).astype('>u2')
open(sys.argv[1], 'wb').write(b'P6 %d %d 65535\n' % (w, h) + wide.tobytes())
PY
/usr/bin/convert "$work/pq.ppm" -depth 16 "$work/pq.png"
heif-enc -q 90 -b 10 --matrix_coefficients 9 --colour_primaries 9 --transfer_characteristic 16 \
  --full_range_flag 1 "$work/pq.png" -o "$work/pq.heic"
$python heif_boxes.py nclx "$work/pq.heic" hdr-pq.heic 9 16 9 1
heif-enc -q 85 -b 10 "$work/photo16.png" -o photo-10bit.heic
heif-enc -q 85 "$work/alpha.png" -o alpha.heic
heif-enc -q 85 "$work/adobe.png" -o adobe.heic
$python heif_boxes.py turn photo.heic turned.heic 1 0
heif-enc -q 85 "$work/photo.jpg" -o "$work/exif.heic"
$python heif_boxes.py turn "$work/exif.heic" exif-6.heic 3
for i in 0 1 2 3; do
  /usr/bin/convert "$work/photo.png" -crop "64x48+$((i % 2 * 64))+$((i / 2 * 48))" +repage "$work/tile$i.png"
done
heif-enc -q 85 "$work"/tile{0,1,2,3}.png -o "$work/tiles.heic"
$python heif_boxes.py grid "$work/tiles.heic" grid.heic 2 2 120 90
heif-enc -A -q 85 "$work/photo.png" -o photo.avif
avifenc -d 10 --min 10 --max 20 "$work/photo16.png" photo-10bit.avif >/dev/null
avifenc -d 8 --min 10 --max 20 "$work/alpha.png" alpha.avif >/dev/null
avifenc -d 8 --min 10 --max 20 --grid 2x1 "$work/photo.png" grid.avif >/dev/null
avifenc -d 8 --min 10 --max 20 --irot 3 --imir 1 "$work/photo.png" turned.avif >/dev/null

# A decoded PNG (8 or 16 bits, with or without alpha) laid over black, rounded
# to 8 bits, as PPM; with a third argument, converted from Adobe RGB to sRGB.
# ImageMagick reads the PNG at 16 bits (PIL would cut 16-bit colour to 8).
reference() {
  local size
  size=$(/usr/bin/identify -format '%w %h' "$1")
  /usr/bin/convert "$1" -alpha on -depth 16 -endian MSB "RGBA:$work/raw"
  $python - "$work/raw" "$2" "${3:-}" $size <<'PY'
import sys
import numpy as np
from PIL import Image, ImageCms
width, height = int(sys.argv[4]), int(sys.argv[5])
wide = np.fromfile(sys.argv[1], dtype='>u2').reshape(height, width, 4).astype(np.float64) / 257
over_black = wide[:, :, :3] * wide[:, :, 3:] / 255
rgb = Image.fromarray(np.clip(np.round(over_black), 0, 255).astype(np.uint8))
if sys.argv[3]:
    rgb = ImageCms.profileToProfile(rgb, ImageCms.ImageCmsProfile(sys.argv[3]), ImageCms.createProfile('sRGB'),
                                    renderingIntent=ImageCms.Intent.RELATIVE_COLORIMETRIC)
rgb.save(sys.argv[2])
PY
}
for f in photo photo-10bit alpha turned exif-6 grid; do
  heif-convert "$f.heic" "$work/$f.png" >/dev/null
  reference "$work/$f.png" "$f-heic.ppm"
done
heif-convert adobe.heic "$work/adobe-out.png" >/dev/null
reference "$work/adobe-out.png" adobe-heic.ppm ../colour/adobe-rgb.icc
for f in photo photo-10bit alpha grid; do
  avifdec -u nearest "$f.avif" "$work/$f-avif.png" >/dev/null
  reference "$work/$f-avif.png" "$f-avif.ppm"
done
heif-convert turned.avif "$work/turned-avif.png" >/dev/null
reference "$work/turned-avif.png" turned-avif.ppm
$python -c 'import sys; from PIL import Image
Image.open(sys.argv[1]).reduce(2).save(sys.argv[2])' photo-heic.ppm photo-half.ppm
