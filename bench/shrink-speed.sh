#!/usr/bin/env bash
# What shrinking a big JPEG costs the program, beside what it costs others: medians
# of five runs each.
#   bench/shrink-speed.sh [FOLDER]   (the pictures of bench/shrink-quality.sh, made there once)
# - the program's work (its run less the fixed-pace slide, from big_picture_bench)
#   on the 24 MP and the 1 MP photo-like JPEG, and the difference, which leaves
#   out Wine's process start and what every picture costs;
# - vipsthumbnail's whole run on the 24 MP picture, to the same size and quality;
# - the JPEG library's own decoder (djpeg, the Windows build in the cache) at the
#   scale the program picks, and its bare process start (djpeg -version), so that
#   the program's extra time can be set against the library's decode alone;
# - the longest gap between two moves of the slide and the peak working set on
#   the 24 MP picture (a baseline JPEG).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
# shellcheck source=scripts/common.sh
. "$root/scripts/common.sh"
folder=$(mkdir -p "${1:-/tmp/mirokate-shrink}" && cd "${1:-/tmp/mirokate-shrink}" && pwd)
python=/usr/bin/python3
runs=5
# One display and one warm Wine server for every Windows program below.
if [ -z "${MIROKATE_WINE_SESSION:-}" ]; then
  "$python" "$here/shrink_quality.py" make "$folder" >/dev/null
  cmake --build "$MIROKATE_BUILD" --target mirokate big_picture_bench >/dev/null
  exec "$root/scripts/wine-runner" --session "$0" "$folder"
fi

big=photo-6000x4000.jpg
small=photo-1224x816.jpg
windows() { echo "Z:${1//\//\\}"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Milliseconds of a command's whole run, the median of $runs.
median_ms() {
  local times=() t
  for _ in $(seq "$runs"); do
    t=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo failed; return; }
    times+=($((($(date +%s%N) - t) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

ours=$("$root/scripts/wine-runner" "$MIROKATE_BUILD/bench/big_picture_bench.exe" -runs "$runs" \
  "$(windows "$folder/$big")" "$(windows "$folder/$small")")
rm -f "$folder"/ミロカテ*
read -r _ big_work _ big_gap big_peak _ < <(grep -E "^$big " <<<"$ours")
read -r _ small_work _ small_gap _ < <(grep -E "^$small " <<<"$ours")
extra=$((big_work - small_work))

read -r w h scale < <("$python" "$here/shrink_quality.py" shown "$folder/$big")
vips=$(median_ms vipsthumbnail "$folder/$big" -s "${w}x${h}!" -o "$work/v.jpg[Q=80]")
djpeg="$MIROKATE_JPEG_PREFIX/bin/djpeg.exe"
decode=$(median_ms "$root/scripts/wine-runner" "$djpeg" -scale "$scale" -bmp -outfile "$(windows "$work/d.bmp")" \
  "$(windows "$folder/$big")")
start=$(median_ms "$root/scripts/wine-runner" "$djpeg" -version)

echo "| Measure (median of $runs) | ms |"
echo "|---|---|"
echo "| program work, 24 MP JPEG ($big) | $big_work |"
echo "| program work, 1 MP JPEG ($small) | $small_work |"
echo "| extra for 24 MP over 1 MP | $extra |"
echo "| vipsthumbnail whole run, 24 MP to ${w}x${h}, Q80 | $vips |"
echo "| djpeg -scale $scale -bmp, 24 MP, whole Wine process | $decode |"
echo "| djpeg -version (Wine process start) | $start |"
echo "| djpeg decode less process start | $((decode - start)) |"
echo
echo "Extra / djpeg whole: $(echo "scale=2; $extra / $decode" | bc); extra / djpeg less start: $(
  echo "scale=2; $extra / ($decode - $start)" | bc)."
echo "Longest gap between two moves of the slide: ${big_gap} ms (24 MP), ${small_gap} ms (1 MP);" \
  "peak working set on the 24 MP baseline JPEG: ${big_peak} MiB."
