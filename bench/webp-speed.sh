#!/usr/bin/env bash
# What reading a big WebP costs the program, beside what the library's own
# decoder (dwebp, the Windows build in the cache) costs on the same file, in
# one run; medians of five runs each.
#   bench/webp-speed.sh [FOLDER]   (the pictures are made there once)
# - the program's work (its run less the fixed-pace slide, from
#   big_picture_bench) on a 24 MP and a 1 MP photo-like lossy WebP (cwebp -q 80
#   of bench/shrink_quality.py's photos), and the difference, which leaves out
#   Wine's process start and what every picture costs;
# - dwebp's whole decode of the 24 MP file (no output written), single- and
#   multi-threaded (the program lets the library filter on a second thread), its
#   decode scaled to the size the program asks for (twice the shown size, as the
#   program's own scaled decode), and its bare process start (dwebp -version);
# - the peak working set on the 24 MP WebP, beside its decoded 32-bit size.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
# shellcheck source=scripts/common.sh
. "$root/scripts/common.sh"
folder=$(mkdir -p "${1:-/tmp/mirokate-webp}" && cd "${1:-/tmp/mirokate-webp}" && pwd)
python=/usr/bin/python3
runs=5
big=photo-6000x4000.webp
small=photo-1224x816.webp
# One display and one warm Wine server for every Windows program below.
if [ -z "${MIROKATE_WINE_SESSION:-}" ]; then
  for name in "$big" "$small"; do
    [ -f "$folder/$name" ] && continue
    size=${name#photo-}
    size=${size%.webp}
    "$python" - "$here" "${size%x*}" "${size#*x}" "$folder/${name%.webp}.png" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
import shrink_quality
width, height = int(sys.argv[2]), int(sys.argv[3])
seed = {6000: 16, 1224: 13}[width]
shrink_quality.photo(width, height, seed).save(sys.argv[4])
PY
    cwebp -quiet -q 80 "$folder/${name%.webp}.png" -o "$folder/$name"
    rm -f "$folder/${name%.webp}.png"
  done
  cmake --build "$MIROKATE_BUILD" --target mirokate big_picture_bench >/dev/null
  exec "$root/scripts/wine-runner" --session "$0" "$folder"
fi

windows() { echo "Z:${1//\//\\}"; }

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
read -r _ big_work _ _ big_peak _ < <(grep -E "^$big " <<<"$ours")
read -r _ small_work _ < <(grep -E "^$small " <<<"$ours")
extra=$((big_work - small_work))

# The program decodes at twice the shown size (picture/shrink/ShownPicture).
read -r w h _ < <("$python" "$here/shrink_quality.py" shown "$folder/$big")
dwebp="$MIROKATE_WEBP_PREFIX/bin/dwebp.exe"
run_dwebp() { "$root/scripts/wine-runner" "$dwebp" "$@" "$(windows "$folder/$big")"; }
decode=$(median_ms run_dwebp)
decode_mt=$(median_ms run_dwebp -mt)
scaled=$(median_ms run_dwebp -mt -resize $((2 * w)) $((2 * h)))
start=$(median_ms "$root/scripts/wine-runner" "$dwebp" -version)
decoded_mib=$((6000 * 4000 * 4 / 1048576))

echo "| Measure (median of $runs) | ms |"
echo "|---|---|"
echo "| program work, 24 MP WebP ($big, $(stat -c %s "$folder/$big") bytes) | $big_work |"
echo "| program work, 1 MP WebP ($small) | $small_work |"
echo "| extra for 24 MP over 1 MP | $extra |"
echo "| dwebp, 24 MP, whole Wine process | $decode |"
echo "| dwebp -mt, 24 MP, whole Wine process | $decode_mt |"
echo "| dwebp -mt -resize $((2 * w)) $((2 * h)), 24 MP, whole Wine process | $scaled |"
echo "| dwebp -version (Wine process start) | $start |"
echo
echo "Extra / dwebp less start: $(echo "scale=2; $extra / ($decode - $start)" | bc);" \
  "extra / dwebp -mt less start: $(echo "scale=2; $extra / ($decode_mt - $start)" | bc)."
echo "Peak working set on the 24 MP WebP: ${big_peak} MiB (its decoded 32-bit size: ${decoded_mib} MiB)."
