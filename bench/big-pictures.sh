#!/usr/bin/env bash
# The big-picture benchmark, side by side in one run: the program against
# vipsthumbnail and ImageMagick's convert on photo-like JPEGs of 1, 24, 100 and
# 400 megapixels (the 24 also tagged Adobe RGB, to price the colour conversion), a 24-megapixel BMP and PNGs of 24 and 100 megapixels (read
# through the system's codecs), then the quality of the saved picture
# area against a Lanczos reference of the same geometry, for the program and for
# vipsthumbnail, on a zone plate and on the 24-megapixel photo.
#   bench/big-pictures.sh [FOLDER]      (pictures are made there once)
# Time for the program is "work": its whole run less the fixed-pace slide, whose
# length depends on the entry edge the minute picks. Peers are timed as whole
# processes, best of three; "failed" is a peer that refused the picture (ImageMagick's
# default policy refuses sides over 16000 pixels). Memory is the peak working set (the program) or the
# peak resident size (the peers).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
export MIROKATE_BUILD=${MIROKATE_BUILD:-$root/build}
folder=${1:-/tmp/mirokate-big}
convert=/usr/bin/convert  # the real ImageMagick, not a stand-in earlier on the path
compare=/usr/bin/compare

"$here/make-pictures.sh" "$folder" >/dev/null
cmake --build "$MIROKATE_BUILD" --target mirokate big_picture_bench >/dev/null

pictures=(photo1mp.jpg photo24mp.jpg photo24mp-adobe.jpg photo100mp.jpg photo400mp.jpg photo24mp.bmp photo24mp.png photo100mp.png zone24mp.jpg)
windows=()
for p in "${pictures[@]}"; do windows+=("Z:${folder//\//\\}\\$p"); done
ours=$("$root/scripts/wine-runner" "$MIROKATE_BUILD/bench/big_picture_bench.exe" -runs 3 "${windows[@]}")

work=/tmp/mirokate-big-peers.$$
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
# Best of three: seconds and peak resident MiB of a command.
best_of_three() {
  local best="" mem=0 t m
  for _ in 1 2 3; do
    if ! /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1; then
      echo "failed -"
      return
    fi
    read -r t m <"$work/time"
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
    [ "$m" -gt "$mem" ] && mem=$m
  done
  echo "$(echo "$best * 1000 / 1" | bc) $((mem / 1024))"
}

echo "| Picture | File MiB | Program work ms | Program whole ms | Longest gap between moves ms | Program peak MiB | vipsthumbnail ms | vips peak MiB | convert ms | convert peak MiB |"
echo "|---|---|---|---|---|---|---|---|---|---|"
declare -A work_ms vips_ms
for p in "${pictures[@]}"; do
  line=$(grep -E "^$p " <<<"$ours" || true)
  read -r _ w whole gap peak _ <<<"$line"
  read -r vt vm < <(best_of_three vipsthumbnail "$folder/$p" -s 590 -o "$work/v.jpg[Q=80]")
  read -r ct cm < <(best_of_three "$convert" "$folder/$p" -resize 590x590 -background black -gravity center \
    -extent 600x600 -quality 80 "$work/c.jpg")
  size=$(echo "scale=1; $(stat -c %s "$folder/$p") / 1048576" | bc)
  work_ms[$p]=${w:-0}
  vips_ms[$p]=$vt
  echo "| $p | $size | ${w:-failed} | ${whole:-} | ${gap:-} | ${peak:-} | $vt | $vm | $ct | $cm |"
done
extra=$((work_ms[photo24mp.jpg] - work_ms[photo1mp.jpg]))
echo
echo "A 24 MP JPEG costs the program ${extra} ms beyond a 1 MP one; vipsthumbnail's whole run on it: ${vips_ms[photo24mp.jpg]} ms."
echo "Tagged Adobe RGB, the same 24 MP JPEG costs $((work_ms[photo24mp-adobe.jpg] - work_ms[photo24mp.jpg])) ms more than untagged (${work_ms[photo24mp.jpg]} ms)."

# Quality: the saved picture area against a Lanczos reference of the same size.
echo
echo "| Picture | Program PSNR dB | vipsthumbnail PSNR dB |"
echo "|---|---|---|"
for p in zone24mp.jpg photo24mp.jpg; do
  w=$(vipsheader -f width "$folder/$p")
  h=$(vipsheader -f height "$folder/$p")
  # The fit of a landscape picture whose shorter side is 600 or more: 590 wide,
  # the height from the same factor of 100000, centred in the 600 by 600 client area.
  s=$((600 * 100000 / w))
  ph=$((s * h / 100000))
  top=$(((600 - ph) / 2))
  saved="$folder/ミロカテ ～ ${p%.*}.jpg"
  "$convert" "$folder/$p" -filter Lanczos -resize "590x${ph}!" "$work/ref.png"
  "$convert" "$saved" -crop "590x${ph}+5+${top}" +repage "$work/ours.png"
  vipsthumbnail "$folder/$p" -s "590x${ph}!" -o "$work/vips.jpg[Q=80]"
  a=$("$compare" -metric PSNR "$work/ref.png" "$work/ours.png" null: 2>&1 || true)
  b=$("$compare" -metric PSNR "$work/ref.png" "$work/vips.jpg" null: 2>&1 || true)
  printf '| %s | %.1f | %.1f |\n' "$p" "$a" "$b"
done
rm -f "$folder"/ミロカテ*
