#!/usr/bin/env bash
# The HEIC benchmark, in one run: a 48-megapixel phone-style HEIC (8064 by 6048
# in 512-pixel tiles, the photo-like picture of make-pictures.sh coded by
# heif-enc and joined into a grid by tests/data/heif/heif_boxes.py) and a
# 1-megapixel HEIC of the same kind, through the real program and through
# libheif's own command-line decoder (heif-convert, to Y4M, which writes the
# decoded planes with no conversion).
# - memory: the program's peak working set on the 48 MP picture against its
#   decoded size at 32 bits a pixel plus 64 MiB;
# - time: the program's work on the 48 MP picture beyond its work on the 1 MP
#   one against heif-convert's whole decode of the 48 MP picture (best of
#   three); the target is at most 1.5 times.
#   bench/heif.sh [FOLDER]      (pictures are made there once)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
export MIROKATE_BUILD=${MIROKATE_BUILD:-$root/build}
folder=${1:-/tmp/mirokate-big}
python=/usr/bin/python3  # Debian's
width=8064 height=6048 tile=512

make_heic() {
  mkdir -p "$folder"
  [ -f "$folder/phone48mp.heic" ] && [ -f "$folder/phone1mp.heic" ] && return
  "$here/make-pictures.sh" "$folder" photo photo48mp "$width" "$height"
  "$here/make-pictures.sh" "$folder" photo photo1mp 1224 816
  local t
  t=$(mktemp -d)
  # The picture padded to whole tiles, cut in reading order.
  local columns=$(((width + tile - 1) / tile)) rows=$(((height + tile - 1) / tile))
  /usr/bin/convert "$folder/photo48mp.jpg" -gravity northwest -background gray \
    -extent "$((columns * tile))x$((rows * tile))" -crop "${tile}x${tile}" +repage "$t/tile-%03d.png"
  heif-enc -q 80 "$t"/tile-*.png -o "$t/tiles.heic" >/dev/null
  $python "$root/tests/data/heif/heif_boxes.py" grid "$t/tiles.heic" "$folder/phone48mp.heic" \
    "$columns" "$rows" "$width" "$height"
  heif-enc -q 80 "$folder/photo1mp.jpg" -o "$folder/phone1mp.heic" >/dev/null
  rm -rf "$t"
}

make_heic
cmake --build "$MIROKATE_BUILD" --target mirokate big_picture_bench >/dev/null
ours=$("$root/scripts/wine-runner" "$MIROKATE_BUILD/bench/big_picture_bench.exe" -runs 3 \
  "Z:${folder//\//\\}\\phone1mp.heic" "Z:${folder//\//\\}\\phone48mp.heic")

# Best of three seconds, and the peak resident MiB, of heif-convert's decode.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
best=""
mem=0
for _ in 1 2 3; do
  /usr/bin/time -f '%e %M' -o "$work/time" heif-convert "$folder/phone48mp.heic" "$work/out.y4m" >/dev/null
  read -r t m <"$work/time"
  if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  [ "$m" -gt "$mem" ] && mem=$m
done
tool_ms=$(echo "$best * 1000 / 1" | bc)

read -r _ small _ <<<"$(grep -E '^phone1mp.heic ' <<<"$ours")"
read -r _ big whole _ peak _ <<<"$(grep -E '^phone48mp.heic ' <<<"$ours")"
limit=$(echo "$width * $height * 4 / 1048576 + 64" | bc)
extra=$((big - small))
echo "$ours"
echo
echo "| Picture | Program work ms | Program peak MiB | heif-convert ms | heif-convert peak MiB |"
echo "|---|---|---|---|---|"
echo "| phone1mp.heic | $small | | | |"
echo "| phone48mp.heic | $big | $peak | $tool_ms | $((mem / 1024)) |"
echo
echo "Peak memory on the 48 MP HEIC: $peak MiB; limit (decoded 32-bit size + 64 MiB): $limit MiB."
echo "Extra time of the 48 MP HEIC over the 1 MP one: $extra ms; heif-convert's decode: $tool_ms ms" \
  "($(echo "scale=2; $extra / $tool_ms" | bc)x; target at most 1.5x)."
