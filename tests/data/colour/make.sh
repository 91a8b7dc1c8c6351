#!/bin/bash
# Makes the colour test pictures, each tagged with a profile from Debian's
# colord-data (or Ghostscript's ink profile), and beside each its reference: the
# stored colours converted to sRGB by lcms2 (PIL's ImageCms, relative
# colorimetric, no black point compensation), 8 bits a channel, as a PPM.
# - JPEGs tagged Adobe RGB (one segment), ProPhoto RGB (its profile cut into
#   three segments written out of order), Swapped Red and Green;
# - a PNG with an iCCP chunk (Wide Gamut RGB), a PNG with gAMA and cHRM stating
#   Adobe RGB's primaries and gamma, a TIFF with an embedded profile (Adobe RGB);
# - BMPs with a version 5 header: an embedded profile (Wide Gamut RGB), and
#   calibrated end points and gammas stating ProPhoto RGB's;
# - a CMYK JPEG with Ghostscript's ink profile (three segments, out of order);
# - files whose colours stay as stored: a cut profile, and a grey profile in an
#   RGB JPEG; and the stored colours themselves (stored.ppm);
# - the sound profiles that the profile reader's tests damage;
# - Adobe RGB's reference resampled (Lanczos) to half its size, as shown smaller;
# - four flat quarters tagged Adobe RGB (JPEG), Wide Gamut RGB (PNG) and
#   ProPhoto RGB (calibrated BMP), for the real program, with their converted
#   quarters as 2 by 2 references.
# Run from anywhere; writes beside this script.
set -euo pipefail
cd "$(dirname "$0")"
/usr/bin/python3 - <<'PY'
import io, struct, zlib
from PIL import Image, ImageCms

colord = '/usr/share/color/icc/colord/'
inks = '/usr/share/color/icc/ghostscript/default_cmyk.icc'
grey = '/usr/share/color/icc/ghostscript/default_gray.icc'
srgb = ImageCms.createProfile('sRGB')
RELATIVE = 1  # relative colorimetric

def hsv(h, s, v):
    i = int(h * 6) % 6; f = h * 6 - int(h * 6)
    p, q, t = v * (1 - s), v * (1 - f * s), v * (1 - (1 - f) * s)
    return [(v, t, p), (q, v, p), (p, v, t), (p, q, v), (t, p, v), (v, p, q)][i]

# Every hue across, from dark to pale down, and a grey ramp along the bottom.
W, H = 64, 48
source = Image.new('RGB', (W, H))
for y in range(H):
    for x in range(W):
        if y >= H - 6:
            g = round(255 * x / (W - 1)); source.putpixel((x, y), (g, g, g)); continue
        t = y / (H - 7)
        r, g, b = hsv(x / W, 1 - 0.8 * max(0, t - 0.5) * 2, 0.15 + 0.85 * min(1, t * 2))
        source.putpixel((x, y), tuple(round(255 * c) for c in (r, g, b)))

def profile(name):
    return open(colord + name + '.icc', 'rb').read()

def converted(picture, icc, mode='RGB'):
    return ImageCms.profileToProfile(picture, ImageCms.ImageCmsProfile(io.BytesIO(icc)), srgb,
                                     renderingIntent=RELATIVE, outputMode=mode)

def reference(name, picture):
    picture.convert('RGB').save(name + '.ppm')

def icc_segments(icc, pieces, order):
    size = -(-len(icc) // pieces)
    parts = [icc[i * size:(i + 1) * size] for i in range(pieces)]
    out = b''
    for n in order:
        body = b'ICC_PROFILE\0' + bytes([n, pieces]) + parts[n - 1]
        out += b'\xff\xe2' + struct.pack('>H', len(body) + 2) + body
    return out

def jpeg(name, picture, icc, pieces=1, order=(1,)):
    """Saves without a profile, then puts the profile's segments right after SOI."""
    data = io.BytesIO()
    picture.save(data, 'JPEG', quality=95, subsampling=0)
    data = data.getvalue()
    open(name + '.jpg', 'wb').write(data[:2] + icc_segments(icc, pieces, order) + data[2:])
    return Image.open(name + '.jpg')  # the stored colours as libjpeg decodes them

for name, icc_name, pieces, order in [('adobe', 'AdobeRGB1998', 1, (1,)), ('prophoto', 'ProPhotoRGB', 3, (2, 3, 1)),
                                      ('swapped', 'SwappedRedAndGreen', 1, (1,))]:
    icc = profile(icc_name)
    reference(name + '-jpg', converted(jpeg(name, source, icc, pieces, order), icc))
reference('adobe-jpg-small', Image.open('adobe-jpg.ppm').resize((W // 2, H // 2), Image.LANCZOS))

wide = profile('WideGamutRGB')
source.save('wide.png', icc_profile=wide)
reference('wide-png', converted(source, wide))
adobe = profile('AdobeRGB1998')
source.save('adobe.tif', icc_profile=adobe)
reference('adobe-tif', converted(source, adobe))

def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
def png_chunks(name, picture, extra):
    rows = b''.join(b'\0' + picture.tobytes()[y * W * 3:(y + 1) * W * 3] for y in range(H))
    header = struct.pack('>IIBBBBB', W, H, 8, 2, 0, 0, 0)
    open(name, 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + extra + chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))
# Adobe RGB: D65 white, its primaries, gamma 563/256 as its profile's curve.
chrm = struct.pack('>8I', 31270, 32900, 64000, 33000, 21000, 71000, 15000, 6000)
png_chunks('adobe-chunks.png', source, chunk(b'gAMA', struct.pack('>I', round(100000 * 256 / 563))) + chunk(b'cHRM', chrm))
reference('adobe-chunks-png', converted(source, adobe))

def bmp(name, picture, cs_type, endpoints=(0,) * 9, gammas=(0, 0, 0), icc=b''):
    rows = b''.join(bytes(c for px in [picture.getpixel((x, y))[::-1] for x in range(W)] for c in px)
                    for y in reversed(range(H)))
    header = struct.pack('<IiiHHIIiiII4I I9i3I4I', 124, W, H, 1, 24, 0, len(rows), 2835, 2835, 0, 0, 0, 0, 0, 0,
                         cs_type, *endpoints, *gammas, 4, 124 + len(rows) if icc else 0, len(icc), 0)
    body = header + rows + icc
    open(name, 'wb').write(b'BM' + struct.pack('<IHHI', 14 + len(body), 0, 0, 14 + 124) + body)
bmp('wide-embedded.bmp', source, 0x4D424544, icc=wide)
reference('wide-embedded-bmp', converted(source, wide))
# ProPhoto RGB: D50 white; each end point is a primary's XYZ at the strength
# that makes the three add up to white.
xy = [(0.7347, 0.2653), (0.1596, 0.8404), (0.0366, 0.0001)]
white = (0.3457 / 0.3585, 1.0, (1 - 0.3457 - 0.3585) / 0.3585)
cols = [(x / y, 1.0, (1 - x - y) / y) for x, y in xy]
def solve(m, v):
    det = lambda a: (a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0])
                     + a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]))
    d = det(m)
    return [det([[v[r] if c == k else m[r][c] for c in range(3)] for r in range(3)]) / d for k in range(3)]
strength = solve([[cols[c][r] for c in range(3)] for r in range(3)], white)
ends = [round(cols[i][k] * strength[i] * (1 << 30)) for i in range(3) for k in range(3)]
bmp('prophoto-calibrated.bmp', source, 0, ends, (round(1.8 * 65536),) * 3)
reference('prophoto-calibrated-bmp', converted(source, profile('ProPhotoRGB')))

ink = open(inks, 'rb').read()
cmyk = ImageCms.profileToProfile(source, srgb, ImageCms.ImageCmsProfile(inks),
                                 renderingIntent=RELATIVE, outputMode='CMYK')
reference('inks-jpg', converted(jpeg('inks', cmyk, ink, 3, (3, 1, 2)), ink))

quarters = Image.new('RGB', (W, H))
for i, colour in enumerate([(200, 40, 40), (40, 170, 60), (40, 60, 190), (230, 200, 60)]):
    quarters.paste(colour, (i % 2 * W // 2, i // 2 * H // 2, (i % 2 + 1) * W // 2, (i // 2 + 1) * H // 2))
def corners(picture):
    return picture.resize((2, 2), Image.NEAREST)
reference('quarters-adobe-jpg', corners(converted(jpeg('quarters-adobe', quarters, adobe), adobe)))
quarters.save('quarters-wide.png', icc_profile=wide)
reference('quarters-wide-png', corners(converted(quarters, wide)))
bmp('quarters-prophoto.bmp', quarters, 0, ends, (round(1.8 * 65536),) * 3)
reference('quarters-prophoto-bmp', corners(converted(quarters, profile('ProPhotoRGB'))))
reference('quarters', corners(quarters))

# As stored: a profile cut short, and an ink profile for red, green and blue.
reference('cut-jpg', jpeg('cut', source, adobe[:300]))
reference('mismatch-jpg', jpeg('mismatch', source, open(grey, 'rb').read()))
reference('stored', source)

# Sound profiles of every kind of tone curve, which the profile reader's tests
# damage in many ways: sRGB with a parametric curve (colord's, and lcms2's own,
# whose three curves share one tag), Rec. 709 with a table of 4096 entries,
# Adobe RGB with a pure power curve.
open('srgb-colord.icc', 'wb').write(profile('sRGB'))
open('srgb-lcms2.icc', 'wb').write(ImageCms.ImageCmsProfile(srgb).tobytes())
open('rec709.icc', 'wb').write(profile('Rec709'))
open('adobe-rgb.icc', 'wb').write(adobe)
PY
rm -f ./*.ppm.tmp
