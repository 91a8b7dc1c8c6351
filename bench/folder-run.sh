#!/usr/bin/env bash
# A folder of many pictures through the real program, in one run to its one
# report: the run's time against its slides (a step each 20 ms) plus 150 ms of
# work a picture, and working set, GDI objects and handles while the first 50
# pictures are in hand against the last 50 (within 5 %), sampled from outside
# the process.
#   bench/folder-run.sh [FOLDER] [COUNT]      (default /tmp/mirokate-folder-800-COUNT, 300)
# The pictures are made in FOLDER once (PIL): 800x600, photo-like (noise
# blurred into broad colour clouds and finer detail, and grain), each from its
# own seed, in turn a JPEG (quality 90) and a PNG. The run of 300 takes a few
# minutes: the slide is shortest from the right edge and longest from the left.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../scripts" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"

count=${2:-300}
folder=${1:-/tmp/mirokate-folder-800-$count}
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)

/usr/bin/python3 - "$folder" "$count" <<'PY'
import os, sys
import numpy as np
from PIL import Image, ImageFilter

folder, count = sys.argv[1], int(sys.argv[2])
kinds = [("jpg", {"quality": 90}), ("png", {"compress_level": 6})]

def blobs(rng, w, h, size, bands):
    """Noise blurred into blobs about `size` pixels across, scaled to a deviation of 1."""
    sw, sh = max(8, w * 4 // size), max(8, h * 4 // size)
    noise = Image.fromarray(rng.integers(0, 256, (sh, sw, bands), dtype=np.uint8).squeeze())
    smooth = np.asarray(noise.filter(ImageFilter.GaussianBlur(3)).resize((w, h), Image.BICUBIC), np.float32)
    return ((smooth - smooth.mean()) / (smooth.std() + 1e-6)).reshape(h, w, -1)

for i in range(count):
    ext, options = kinds[i % 2]
    w, h = 800, 600
    name = os.path.join(folder, f"picture {i + 1:03d}.{ext}")
    if os.path.exists(name):
        continue
    rng = np.random.default_rng(i)
    side = max(w, h)
    pixels = 120 + 50 * blobs(rng, w, h, side // 2, 3) + 18 * blobs(rng, w, h, side // 30, 1) + rng.normal(0, 3, (h, w, 1))
    picture = Image.fromarray(np.clip(pixels, 0, 255).astype(np.uint8))
    picture.save(name, **options)
PY

ensure_setup
cmake -S "$MIROKATE_ROOT" -B "$MIROKATE_BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$MIROKATE_ROOT/cmake/i686-w64-mingw32.cmake" >/dev/null
cmake --build "$MIROKATE_BUILD" --target mirokate folder_run_bench >/dev/null

rm -f "$folder"/ミロカテ*
status=0
"$here/wine-runner" "$MIROKATE_BUILD/bench/folder_run_bench.exe" "Z:${folder//\//\\}" 50 || status=$?
rm -f "$folder"/ミロカテ*
exit "$status"
