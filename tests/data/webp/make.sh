#!/bin/bash
# Makes the WebP pictures that the program reads with its own libwebp, each
# with its reference as Debian's dwebp decodes it (webp package), laid over
# black by PIL and written as a PPM:
# - lossy and lossless (cwebp) pictures of coloured blocks, and the same
#   blocks with a transparent hole and a half-transparent block, lossy with a
#   lossless alpha plane and lossless;
# - an animation (img2webp) whose first frame is the transparent picture and
#   whose second differs: the reference is frame 1 taken out by webpmux;
# - an animation (webpmux -frame) whose first frame is smaller than its canvas,
#   at an offset: the reference is that frame placed on a black canvas by PIL;
# - the lossy blocks tagged with Adobe RGB (webpmux -set icc): the reference
#   is lcms2's conversion to sRGB (PIL's ImageCms, relative colorimetric);
# - a 96x64 lossy photo-like picture tagged with Exif orientation 6 (webpmux
#   -set exif), turned upright by PIL, and its upright reference shrunk to
#   16x24 with PIL's Lanczos filter.
# Run from anywhere; writes beside this script.
set -euo pipefail
cd "$(dirname "$0")"
python=/usr/bin/python3  # Debian's, with its PIL
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
$python - "$work" <<'PY'
import struct, sys
from PIL import Image
work = sys.argv[1]
colours = [0xE01818, 0x18C018, 0x1818E0, 0xE0E018, 0x18E0E0, 0xE018E0,
           0x808080, 0xF0A040, 0x4060A0, 0xA0F0A0, 0x602010, 0xF0F0F0]
def blocks(alpha):
    picture = Image.new('RGBA', (64, 48))
    for i, c in enumerate(colours):
        a = 255
        if alpha and i == 5: a = 0
        if alpha and i == 6: a = 128
        picture.paste((c >> 16, c >> 8 & 0xFF, c & 0xFF, a), (i % 4 * 16, i // 4 * 16, i % 4 * 16 + 16, i // 4 * 16 + 16))
    return picture
blocks(False).convert('RGB').save(work + '/blocks.png')
blocks(True).save(work + '/holed.png')
blocks(False).transpose(Image.Transpose.ROTATE_180).save(work + '/turned.png')
# Smooth gradients with a few edges, as a photo has.
photo = Image.new('RGB', (96, 64))
for y in range(64):
    for x in range(96):
        photo.putpixel((x, y), (40 + 2 * x, 30 + 3 * y, 200 - x - y if x < 60 else 40))
photo.save(work + '/photo.png')
# Exif data as a bare TIFF structure: IFD0 with the orientation alone.
open(work + '/exif', 'wb').write(b'MM\0*' + struct.pack('>IHHHIHHI', 8, 1, 0x112, 3, 1, 6, 0, 0))
PY
over_black() {  # picture.png reference.ppm [python transform]
  $python -c 'import sys; from PIL import Image
p = Image.open(sys.argv[1]).convert("RGBA")
black = Image.new("RGBA", p.size, (0, 0, 0, 255))
p = Image.alpha_composite(black, p).convert("RGB")
'"${3:-}"'
p.save(sys.argv[2])' "$1" "$2"
}
reference() {  # picture.webp reference.ppm [python transform]
  dwebp -quiet "$1" -o "$work/decoded.png"
  over_black "$work/decoded.png" "$2" "${3:-}"
}
cwebp -quiet -q 90 "$work/blocks.png" -o lossy.webp
cwebp -quiet -lossless "$work/blocks.png" -o lossless.webp
cwebp -quiet -q 90 -alpha_q 100 "$work/holed.png" -o alpha-lossy.webp
cwebp -quiet -lossless "$work/holed.png" -o alpha-lossless.webp
for name in lossy lossless alpha-lossy alpha-lossless; do reference $name.webp $name.ppm; done
img2webp -loop 0 -d 200 -lossy -q 90 "$work/holed.png" "$work/turned.png" -o animated.webp
webpmux -get frame 1 animated.webp -o "$work/frame1.webp" >/dev/null
reference "$work/frame1.webp" animated.ppm
cwebp -quiet -q 90 -crop 0 0 32 24 "$work/blocks.png" -o "$work/corner.webp"
webpmux -frame "$work/corner.webp" +200+8+6 -frame "$work/frame1.webp" +200+0+0 -loop 0 -o offset.webp >/dev/null
dwebp -quiet "$work/corner.webp" -o "$work/corner.png"
$python -c 'import sys; from PIL import Image
canvas = Image.new("RGB", (64, 48))
canvas.paste(Image.open(sys.argv[1]).convert("RGB"), (8, 6))
canvas.save(sys.argv[2])' "$work/corner.png" offset.ppm
webpmux -set icc /usr/share/color/icc/colord/AdobeRGB1998.icc lossy.webp -o adobe.webp >/dev/null
reference adobe.webp "$work/stored.ppm"
$python -c 'import sys; from PIL import Image, ImageCms
p = Image.open(sys.argv[1])
adobe = ImageCms.ImageCmsProfile(sys.argv[2])
ImageCms.profileToProfile(p, adobe, ImageCms.createProfile("sRGB"), renderingIntent=1).save(sys.argv[3])' \
  "$work/stored.ppm" /usr/share/color/icc/colord/AdobeRGB1998.icc adobe.ppm
cwebp -quiet -q 90 "$work/photo.png" -o "$work/photo.webp"
webpmux -set exif "$work/exif" "$work/photo.webp" -o turned-6.webp >/dev/null
turn='p = p.transpose(Image.Transpose.ROTATE_270)'
reference turned-6.webp turned-6.ppm "$turn"
reference turned-6.webp turned-6-small.ppm "$turn; p = p.resize((16, 24), Image.Resampling.LANCZOS)"
