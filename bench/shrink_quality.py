#!/usr/bin/python3
"""The pictures and the measures of bench/shrink-quality.sh.

  shrink_quality.py make FOLDER       makes the family of pictures (files already made are kept)
  shrink_quality.py names FOLDER      prints the file names, in the order of the table
  shrink_quality.py measure FOLDER    peers, references and the table, once the program has saved
  shrink_quality.py shown PICTURE     the shown width and height and the program's decode scale

The shown geometry is worked out here from the program's rule: the client area is
600 by 600 when the picture's shorter side is 600 or more, otherwise a square of
its longer side; the picture is 10 pixels short of it in its fitted direction, the
other side from a fixed-point factor of 100000 taken from the whole client side,
and centred. The reference is a Lanczos-3 resize (PIL) of the whole decoded source
to that size. The peers' results are framed on the same black canvas at the same
place and saved at the same quality as the program saves its capture, so that
every picture meets the same JPEG blocks along its border, with the chroma
halved both ways as all three save at this quality (ImageMagick would otherwise
keep a 4:4:4 source's sampling); then all three are cropped alike.
"""
import concurrent.futures
import glob
import math
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

Image.MAX_IMAGE_PIXELS = None  # the biggest pictures are meant to be big

CANVAS = 600
SHORT_BY = 10
FIXED = 100000
QUALITY = 80
CONVERT = "/usr/bin/convert"  # the real ImageMagick, not a stand-in earlier on the path
# ImageMagick's default policy refuses sides over 16000 pixels.
CONVERT_LIMIT = 16000


def zone(width, height, centre, top_frequency):
    """A zone plate: the local frequency grows with the distance from the centre
    and reaches top_frequency (cycles per pixel) at the farthest corner."""
    cx, cy = centre[0] * width, centre[1] * height
    reach = max(math.hypot(x - cx, y - cy) for x in (0, width) for y in (0, height))
    k = top_frequency / reach
    out = np.empty((height, width, 3), np.uint8)
    x = np.arange(width, dtype=np.float64) - cx
    for y0 in range(0, height, 256):
        y = np.arange(y0, min(height, y0 + 256), dtype=np.float64)[:, None] - cy
        v = 127.5 + 127.0 * np.cos(np.pi * k * (x * x + y * y))
        out[y0:y0 + len(y)] = np.rint(v)[..., None].astype(np.uint8)
    return Image.fromarray(out)


def grating(width, height, period, degrees):
    out = np.empty((height, width, 3), np.uint8)
    a = math.radians(degrees)
    x = np.arange(width, dtype=np.float64) * math.cos(a)
    for y0 in range(0, height, 256):
        y = np.arange(y0, min(height, y0 + 256), dtype=np.float64)[:, None] * math.sin(a)
        v = 127.5 + 100.0 * np.cos(2 * np.pi * (x + y) / period)
        out[y0:y0 + len(y)] = np.rint(v)[..., None].astype(np.uint8)
    return Image.fromarray(out)


class ValueNoise:
    """Smooth noise from a random grid of the given cell size, turned by an angle,
    interpolated with a smoothstep, evaluated a band of rows at a time."""

    def __init__(self, rng, width, height, cell, degrees=0.0):
        self.cell = cell
        self.cos, self.sin = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
        self.reach = int(math.hypot(width, height) / cell) + 2
        self.grid = rng.standard_normal((2 * self.reach + 2, 2 * self.reach + 2)).astype(np.float32)
        self.x = np.arange(width, dtype=np.float32) / cell

    def band(self, y0, y1):
        y = (np.arange(y0, y1, dtype=np.float32) / self.cell)[:, None]
        u = self.x * self.cos - y * self.sin + self.reach
        v = self.x * self.sin + y * self.cos + self.reach
        ui, vi = u.astype(np.int32), v.astype(np.int32)
        tu, tv = u - ui, v - vi
        tu, tv = tu * tu * (3 - 2 * tu), tv * tv * (3 - 2 * tv)
        g = self.grid
        top = g[vi, ui] * (1 - tu) + g[vi, ui + 1] * tu
        bottom = g[vi + 1, ui] * (1 - tu) + g[vi + 1, ui + 1] * tu
        return top * (1 - tv) + bottom * tv


def photo(width, height, seed):
    """Photo-like: smooth shading, regions with edges in every direction, texture
    at a few pixels of the shown size, fine texture and sensor noise, softened a
    little as a lens would."""
    rng = np.random.default_rng(seed)
    side = max(width, height)
    shade = ValueNoise(rng, width, height, side / 5, 20)
    regions = ValueNoise(rng, width, height, side / 30, 35)
    crossing = ValueNoise(rng, width, height, side / 45, 71)
    texture = ValueNoise(rng, width, height, max(2.0, side / 250), 13)
    fine = ValueNoise(rng, width, height, 2.0, 52)
    out = np.empty((height, width, 3), np.uint8)
    base = np.array([110, 95, 85], np.float32)
    for y0 in range(0, height, 128):
        y1 = min(height, y0 + 128)
        s = shade.band(y0, y1)[..., None] * np.array([45, 35, 28], np.float32)
        r = np.tanh((regions.band(y0, y1) + 0.7 * crossing.band(y0, y1)) * 6)[..., None] * np.array([30, 40, 55], np.float32)
        t = texture.band(y0, y1)[..., None] * np.array([22, 18, 14], np.float32)
        f = fine.band(y0, y1)[..., None] * 8
        n = rng.normal(0, 5, (y1 - y0, width, 1)).astype(np.float32)
        out[y0:y1] = np.clip(base + s + r + t + f + n, 0, 255).astype(np.uint8)
    return Image.fromarray(out).filter(ImageFilter.GaussianBlur(0.6))


def noisy_photo(width, height, seed):
    """The photo-like picture as a camera at a high sensitivity takes it: grain
    after the lens, growing with the light as shot noise does, mostly in the
    brightness with some colour. Saved at quality 90 with the chroma halved
    across, as cameras save, it is about 13.5 MB at 24 MP: the case where
    decoding the entropy-coded data is most of the work."""
    rng = np.random.default_rng(seed)
    out = np.asarray(photo(width, height, seed)).copy()
    for y0 in range(0, height, 256):
        band = out[y0:y0 + 256].astype(np.float32)
        rows = len(band)
        spread = np.sqrt(band.mean(axis=2, keepdims=True) / 255.0) * 30.0
        grain = rng.standard_normal((rows, width, 1), np.float32) + 0.5 * rng.standard_normal((rows, width, 3), np.float32)
        out[y0:y0 + rows] = np.clip(band + spread * grain, 0, 255).astype(np.uint8)
    return Image.fromarray(out)


LATIN = ("The quick brown fox jumps over the lazy dog. Settings  Display  Resolution 1920 x 1080  "
         "File  Edit  View  Help  Saved 12:34  Size 4.2 MB  invoice_2023-10.pdf  OK  Cancel").split("  ")
JAPANESE = ["ファイルを保存しました。", "表示の設定を変更します", "画像の大きさ：１９２０×１０８０",
            "今日は良い天気です。明日も晴れるでしょう。", "名前を付けて保存", "編集 表示 ヘルプ",
            "縮小した画像の品質を比べます", "東京都千代田区一丁目２番３号", "よろしくお願いいたします。"]


def screenshot(width, height, seed):
    """A screenshot: small black text on white in Japanese and Latin, a title bar
    and a few rules, as an office window shows them."""
    rng = np.random.default_rng(seed)
    img = Image.new("RGB", (width, height), "white")
    d = ImageDraw.Draw(img)
    latin = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 12)
    japanese = ImageFont.truetype("/usr/share/fonts/truetype/horai-umefont/ume-pgo4.ttf", 12)
    d.rectangle([0, 0, width, 30], fill=(40, 70, 140))
    d.text((10, 8), "Document - 文書の表示", font=japanese, fill="white")
    y = 44
    while y < height - 16:
        x = 12 + 320 * (y // 360 % 2)
        while x < width - 200:
            if rng.random() < 0.5:
                text, font = JAPANESE[rng.integers(len(JAPANESE))], japanese
            else:
                text, font = LATIN[rng.integers(len(LATIN))], latin
            d.text((x, y), text, font=font, fill="black")
            x += int(d.textlength(text, font=font)) + 24
        if rng.random() < 0.1:
            d.line([12, y + 17, width - 12, y + 17], fill=(160, 160, 160))
        y += 18
    return img


# name, maker, BMP copy too. Factors to 590 pixels from about 1.1 to 40, so that
# every decode scale of the program (1, 1/2, 1/4, 1/8) is met.
FAMILY = [
    ("zone-6000x4000", lambda: zone(6000, 4000, (0.5, 0.5), 0.5), True),
    ("zone-half-3000x2000", lambda: zone(3000, 2000, (0.5, 0.5), 0.25), False),
    ("zone-off-2400x3600", lambda: zone(2400, 3600, (0.3, 0.35), 0.5), True),
    ("zone-1300x900", lambda: zone(1300, 900, (0.5, 0.5), 0.5), False),
    ("zone-650x620", lambda: zone(650, 620, (0.5, 0.5), 0.5), False),
    ("grating-4000x3000", lambda: grating(4000, 3000, 2.3, 30), False),
    ("text-1920x1080", lambda: screenshot(1920, 1080, 5), True),
    ("photo-650x620", lambda: photo(650, 620, 11), False),
    ("photo-885x700", lambda: photo(885, 700, 12), True),
    ("photo-1224x816", lambda: photo(1224, 816, 13), False),
    ("photo-1770x1180", lambda: photo(1770, 1180, 14), False),
    ("photo-3540x2360", lambda: photo(3540, 2360, 15), False),
    ("photo-6000x4000", lambda: photo(6000, 4000, 16), True),
    ("photo-7080x4720", lambda: photo(7080, 4720, 17), False),
    ("photo-14160x3000", lambda: photo(14160, 3000, 18), False),
    ("photo-23600x4000", lambda: photo(23600, 4000, 19), False),
]


# Pictures made for bench/shrink-speed.sh alone, as cameras save them: name,
# maker, quality, chroma subsampling (PIL's numbering: 1 halves it across).
SPEED_ONLY = [
    ("noisy-6000x4000", lambda: noisy_photo(6000, 4000, 20), 90, 1),
]


def files():
    for name, _, bmp in FAMILY:
        yield name + ".jpg"
        if bmp:
            yield name + "-bmp.bmp"


def make(folder):
    os.makedirs(folder, exist_ok=True)
    for name, maker, bmp in FAMILY:
        jpg, bmp_path = os.path.join(folder, name + ".jpg"), os.path.join(folder, name + "-bmp.bmp")
        if os.path.exists(jpg) and (not bmp or os.path.exists(bmp_path)):
            continue
        img = maker()
        # 4:4:4, so that the source's own chroma subsampling does not dominate.
        img.save(jpg + ".part", "JPEG", quality=95, subsampling=0)
        os.replace(jpg + ".part", jpg)
        if bmp:
            img.save(bmp_path + ".part", "BMP")
            os.replace(bmp_path + ".part", bmp_path)
        print("made", name, flush=True)
    for name, maker, quality, subsampling in SPEED_ONLY:
        jpg = os.path.join(folder, name + ".jpg")
        if not os.path.exists(jpg):
            maker().save(jpg + ".part", "JPEG", quality=quality, subsampling=subsampling)
            os.replace(jpg + ".part", jpg)
            print("made", name, flush=True)


def geometry(width, height):
    """Client size and picture rectangle (left, top, width, height), by the program's rule."""
    if width > height:
        client = (width, width) if height < CANVAS else (CANVAS, CANVAS)
        w = client[0] - SHORT_BY
        h = client[0] * FIXED // width * height // FIXED
    else:
        client = (height, height) if width < CANVAS else (CANVAS, CANVAS)
        h = client[1] - SHORT_BY
        w = client[1] * FIXED // height * width // FIXED
    return client, ((client[0] - w) // 2, (client[1] - h) // 2, w, h)


def decode_scale(path, shown):
    """The program's JPEG decode scale: the smallest of 1/8, 1/4, 1/2 whose output
    (each side rounded up) is still twice the shown size, else 1."""
    if not path.endswith(".jpg"):
        return "-"
    with Image.open(path) as img:
        width, height = img.size
    for d in (8, 4, 2):
        if -(-width // d) >= 2 * shown[0] and -(-height // d) >= 2 * shown[1]:
            return "1/%d" % d
    return "1"


def psnr(reference, picture):
    diff = reference.astype(np.float64) - picture.astype(np.float64)
    mse = np.mean(diff * diff)
    return float("inf") if mse == 0 else 10 * math.log10(255.0 ** 2 / mse)


def crop(path, client, rect):
    with Image.open(path) as img:
        if img.size != client:
            raise SystemExit("%s is %dx%d, not the %dx%d client area" % ((path,) + img.size + client))
        left, top, w, h = rect
        return np.asarray(img.convert("RGB").crop((left, top, left + w, top + h)))


def run(*command):
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def measure_one(folder, name):
    source = os.path.join(folder, name)
    with Image.open(source) as img:
        width, height = img.size
        client, rect = geometry(width, height)
        left, top, w, h = rect
        reference = np.asarray(img.convert("RGB").resize((w, h), Image.LANCZOS))
    stem = os.path.splitext(name)[0]
    saved = glob.glob(os.path.join(folder, "ミロカテ *" + stem + ".jpg"))
    ours = psnr(reference, crop(saved[0], client, rect)) if len(saved) == 1 else None
    with tempfile.TemporaryDirectory() as work:
        shrunk, vips_out = os.path.join(work, "v.v"), os.path.join(work, "v.jpg")
        vips = None
        if run("vipsthumbnail", source, "-s", "%dx%d!" % (w, h), "-o", shrunk) and run(
                "vips", "embed", shrunk, "%s[Q=%d]" % (vips_out, QUALITY), str(left), str(top), *map(str, client)):
            vips = psnr(reference, crop(vips_out, client, rect))
        magick_out = os.path.join(work, "m.jpg")
        magick = "refused" if max(width, height) > CONVERT_LIMIT else None
        if magick is None and run(
                CONVERT, source, "-resize", "%dx%d!" % (w, h), "-background", "black",
                "-extent", "%dx%d-%d-%d" % (client + (left, top)), "-sampling-factor", "4:2:0",
                "-quality", str(QUALITY), magick_out):
            magick = psnr(reference, crop(magick_out, client, rect))
    factor = width / w if width > height else height / h
    return name, factor, decode_scale(source, (w, h)), ours, vips, magick


def check_frame(folder, name):
    """The screenshot, light to its edges, shows where the program put the picture:
    the rows and columns that are not black on average must be the computed
    rectangle (JPEG ringing leaves the frame's own pixels near, not at, zero)."""
    with Image.open(os.path.join(folder, name)) as img:
        _, rect = geometry(*img.size)
    saved = glob.glob(os.path.join(folder, "ミロカテ *" + os.path.splitext(name)[0] + ".jpg"))
    if len(saved) != 1:
        return "no saved picture of %s to check the frame on" % name
    grey = np.asarray(Image.open(saved[0]).convert("L"), np.float64)
    rows, cols = np.nonzero(grey.mean(axis=1) > 32)[0], np.nonzero(grey.mean(axis=0) > 32)[0]
    found = (int(cols[0]), int(rows[0]), int(cols[-1] - cols[0] + 1), int(rows[-1] - rows[0] + 1))
    verdict = "matches" if found == rect else "DIFFERS from the computed %s" % (rect,)
    return "Frame of %s in the saved picture: %s, %s." % (name, found, verdict)


def measure(folder):
    names = list(files())
    with concurrent.futures.ProcessPoolExecutor(max_workers=2) as pool:
        rows = list(pool.map(measure_one, [folder] * len(names), names))
    show = lambda v: "failed" if v is None else v if isinstance(v, str) else "%.2f" % v
    print("| Picture | Factor | Decode scale | Ours dB | vipsthumbnail dB | ImageMagick dB |")
    print("|---|---|---|---|---|---|")
    for name, factor, scale, ours, vips, magick in rows:
        print("| %s | %.1f | %s | %s | %s | %s |" % (name, factor, scale, show(ours), show(vips), show(magick)))
    diffs = [(r[3] - r[4], r[0]) for r in rows if r[3] is not None and r[4] is not None]
    print()
    if diffs:
        low = min(diffs)
        print("Ours - vipsthumbnail: lowest %.2f dB (%s), mean %.2f dB over %d pictures." % (
            low[0], low[1], sum(d for d, _ in diffs) / len(diffs), len(diffs)))
    print(check_frame(folder, "text-1920x1080.jpg"))
    return 0 if all(r[3] is not None for r in rows) else 1


if __name__ == "__main__":
    command, folder = sys.argv[1], sys.argv[2]
    if command == "make":
        make(folder)
    elif command == "names":
        print("\n".join(files()))
    elif command == "measure":
        sys.exit(measure(folder))
    elif command == "shown":
        with Image.open(folder) as img:
            _, (_, _, w, h) = geometry(*img.size)
        print(w, h, decode_scale(folder, (w, h)))
    else:
        sys.exit(__doc__)
