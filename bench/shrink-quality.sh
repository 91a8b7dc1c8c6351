#!/usr/bin/env bash
# How well the program shrinks, against vipsthumbnail and ImageMagick, on a family
# of made pictures: zone plates (centred and off-centre, landscape and portrait,
# up to the full and to half the source's frequency limit), a fine grating at an
# angle, a screenshot of small Japanese and Latin text, and photo-like pictures,
# shrunk by factors from 1.1 to 40 so that every decode scale of the program is
# met; JPEG (quality 95, 4:4:4) and, for some, 24-bit BMP.
#   bench/shrink-quality.sh [FOLDER]   (default /tmp/mirokate-shrink; pictures are made there once)
# For each picture the real program runs once and saves its capture; the picture
# area of it, and of each peer's result framed the same way at the same quality
# (80), is compared with a Lanczos-3 resize of the whole decoded source (PIL): PSNR
# over RGB. The geometry and the measures are in bench/shrink_quality.py.
# Running time and memory are bench/shrink-speed.sh's.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
export MIROKATE_BUILD=${MIROKATE_BUILD:-$root/build}
folder=$(mkdir -p "${1:-/tmp/mirokate-shrink}" && cd "${1:-/tmp/mirokate-shrink}" && pwd)
python=/usr/bin/python3  # Debian's, with its numpy and PIL

"$python" "$here/shrink_quality.py" make "$folder"
cmake --build "$MIROKATE_BUILD" --target mirokate big_picture_bench >/dev/null

rm -f "$folder"/ミロカテ*
windows=()
while read -r name; do windows+=("Z:${folder//\//\\}\\$name"); done < <("$python" "$here/shrink_quality.py" names "$folder")
# One run each: only the saved picture matters here.
"$root/scripts/wine-runner" "$MIROKATE_BUILD/bench/big_picture_bench.exe" -runs 1 "${windows[@]}" >/dev/null || true
"$python" "$here/shrink_quality.py" measure "$folder"
