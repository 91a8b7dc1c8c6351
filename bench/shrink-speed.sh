#!/usr/bin/env bash
# What shrinking a big JPEG costs the program, beside what it costs others: medians
# of five runs each, on two 24 MP photo-like pictures, a smooth one (quality 95)
# and a noisy one as a camera saves it at a high sensitivity (quality 90, about
# 13.5 MB), where decoding the entropy-coded data is most of the work.
#   bench/shrink-speed.sh [FOLDER]   (the pictures of bench/shrink_quality.py, made there once)
#   SHRINK_SPEED_BEFORE=DIR bench/shrink-speed.sh [FOLDER]
#     also runs an earlier build (DIR holds its mirokate.exe and bench/big_picture_bench.exe),
#     so that before and after are measured on the same busy machine in one run.
# For each big picture:
# - the program's work (its run less the fixed-pace slide, from big_picture_bench)
#   less its work on the 1 MP photo-like JPEG, which leaves out Wine's process
#   start and what every picture costs: the extra;
# - vipsthumbnail's whole run, to the same size and quality;
# - the JPEG library's own decoder (djpeg, the Windows build in the cache) at the
#   scale the program picks, and its bare process start (djpeg -version), so that
#   the program's extra time can be set against the library's decode alone;
# - the longest gap between two moves of the slide and the peak working set.
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

bigs=(photo-6000x4000.jpg noisy-6000x4000.jpg)
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

# The program of one build on every picture: lines of name, work, whole, gap, peak.
program_runs() {
  "$root/scripts/wine-runner" "$1/bench/big_picture_bench.exe" -runs "$runs" \
    "$(windows "$folder/${bigs[0]}")" "$(windows "$folder/${bigs[1]}")" "$(windows "$folder/$small")"
  rm -f "$folder"/ミロカテ*
}
field() { grep -E "^$2 " <<<"$1" | awk -v f="$3" '{ print $f }'; }

ours=$(program_runs "$MIROKATE_BUILD")
before=""
[ -n "${SHRINK_SPEED_BEFORE:-}" ] && before=$(program_runs "$SHRINK_SPEED_BEFORE")
start=$(median_ms "$root/scripts/wine-runner" "$MIROKATE_JPEG_PREFIX/bin/djpeg.exe" -version)

echo "| Measure (median of $runs), ms | ${bigs[0]} | ${bigs[1]} |"
echo "|---|---|---|"
row() { echo "| $1 | $2 | $3 |"; }
small_work=$(field "$ours" "$small" 2)
declare -A extra decode vips scale shown gap peak size before_extra
for big in "${bigs[@]}"; do
  extra[$big]=$(($(field "$ours" "$big" 2) - small_work))
  gap[$big]=$(field "$ours" "$big" 4)
  peak[$big]=$(field "$ours" "$big" 5)
  size[$big]=$(($(stat -c %s "$folder/$big") / 1000))
  if [ -n "$before" ]; then
    before_extra[$big]=$(($(field "$before" "$big" 2) - $(field "$before" "$small" 2)))
  fi
  read -r w h scale[$big] < <("$python" "$here/shrink_quality.py" shown "$folder/$big")
  shown[$big]="${w}x${h}"
  vips[$big]=$(median_ms vipsthumbnail "$folder/$big" -s "${w}x${h}!" -o "$work/v.jpg[Q=80]")
  decode[$big]=$(median_ms "$root/scripts/wine-runner" "$MIROKATE_JPEG_PREFIX/bin/djpeg.exe" -scale "${scale[$big]}" \
    -bmp -outfile "$(windows "$work/d.bmp")" "$(windows "$folder/$big")")
done
a=${bigs[0]} b=${bigs[1]}
row "file size, kB" "${size[$a]}" "${size[$b]}"
row "program work, 1 MP JPEG ($small)" "$small_work" "$small_work"
row "program extra for 24 MP over 1 MP" "${extra[$a]}" "${extra[$b]}"
[ -n "$before" ] && row "the same, earlier build" "${before_extra[$a]}" "${before_extra[$b]}"
row "vipsthumbnail whole run, to ${shown[$a]}, Q80" "${vips[$a]}" "${vips[$b]}"
row "djpeg -scale ${scale[$a]} -bmp, whole Wine process" "${decode[$a]}" "${decode[$b]}"
row "djpeg -version (Wine process start)" "$start" "$start"
row "djpeg decode less process start" "$((decode[$a] - start))" "$((decode[$b] - start))"
ratio() { if [ "$2" -gt 0 ]; then echo "scale=2; $1 / $2" | bc; else echo "-"; fi; }
row "extra / djpeg whole" "$(ratio "${extra[$a]}" "${decode[$a]}")" "$(ratio "${extra[$b]}" "${decode[$b]}")"
row "extra / djpeg less start (target 1.1)" "$(ratio "${extra[$a]}" "$((decode[$a] - start))")" \
  "$(ratio "${extra[$b]}" "$((decode[$b] - start))")"
[ -n "$before" ] && row "the same, earlier build" "$(ratio "${before_extra[$a]}" "$((decode[$a] - start))")" \
  "$(ratio "${before_extra[$b]}" "$((decode[$b] - start))")"
row "longest gap between two moves of the slide" "${gap[$a]}" "${gap[$b]}"
row "peak working set, MiB" "${peak[$a]}" "${peak[$b]}"
