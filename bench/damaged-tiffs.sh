#!/usr/bin/env bash
# Small damaged TIFFs through the real program, run by hand (never in CI):
#   bench/damaged-tiffs.sh [RUNS_PER_EDGE]
# Four LZW TIFFs of 60x40 and 100x70 in strips of four rows, made from the JPEG
# library's test picture by ImageMagick, are damaged by bench/damage_tiff.py: the
# strips of the later half cut short, or bits of them flipped. The header and
# the IFD stay sound, so each file opens and tells its size, and only reading
# its pixels fails. Being smaller than the window they are shown enlarged.
# Each runs headless RUNS_PER_EDGE times (default 10) from every entry edge (the
# edge follows the local minute, which TZ shifts), judged by bench/program-run.sh:
# every run must show exactly one box and end by itself within MIROKATE_RUN_LIMIT
# seconds (default 30); a run that shows more than MIROKATE_BOX_LIMIT boxes
# (default 20) is stopped there.
# Prints one line per file and edge, the runs that failed, and exits non-zero on
# any failure. Everything goes to ${MIROKATE_TIFFS:-/tmp/mirokate-damaged-tiffs}.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../scripts" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"

runs=${1:-10}
out=${MIROKATE_TIFFS:-/tmp/mirokate-damaged-tiffs}
export MIROKATE_RUN_LIMIT=${MIROKATE_RUN_LIMIT:-30} MIROKATE_BOX_LIMIT=${MIROKATE_BOX_LIMIT:-20}

ensure_setup
cmake -S "$MIROKATE_ROOT" -B "$MIROKATE_BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$MIROKATE_ROOT/cmake/i686-w64-mingw32.cmake" >/dev/null
if ! cmake --build "$MIROKATE_BUILD" --target mirokate headless_run >"$MIROKATE_BUILD/tiffs-build.log" 2>&1; then
  cat "$MIROKATE_BUILD/tiffs-build.log"
  exit 1
fi

rm -rf "$out" && mkdir -p "$out/pictures"
source_picture=$(echo "$MIROKATE_CACHE"/libjpeg-turbo-src/libjpeg-turbo-*/testimages/testorig.jpg)
for size in 60x40 100x70; do
  sound="$out/sound-$size.tif"
  /usr/bin/convert "$source_picture" -resize "$size!" -compress LZW -define tiff:rows-per-strip=4 "$sound"
  for how in cut flip; do
    # Seed 3 flips bits that the system's decoder stops at (others it reads past).
    /usr/bin/python3 "$MIROKATE_ROOT/bench/damage_tiff.py" "$how" 3 "$sound" "$out/pictures/$how-$size.tif"
  done
done

# One session per edge, its time zone set so that the local minute is the
# edge's own; a pass takes well under the seven minutes either side of it.
export out runs
: >"$out/runs.log"
for minute in 0 15 30 45; do
  now=$(date -u +%-M)
  ahead=$(( ((minute - now) % 60 + 60) % 60 ))
  TZ=$(printf 'XXX-0:%02d' "$ahead") minute=$minute "$here/wine-runner" --session bash -c '
    for picture in "$out"/pictures/*.tif; do
      for run in $(seq "$runs"); do
        printf "%s\t%s\t" "$minute" "$(basename "$picture")"
        "$MIROKATE_ROOT/bench/program-run.sh" "$picture" || true
      done
    done >>"$out/runs.log"
  '
done

edge_name() { case $1 in 0) echo top ;; 15) echo right ;; 30) echo bottom ;; 45) echo left ;; esac; }
echo "== $(wc -l <"$out/runs.log") runs: each must show one box and end by itself"
failed=0
while IFS=$'\t' read -r minute name; do
  lines=$(awk -F'\t' -v m="$minute" -v n="$name" '$1 == m && $2 == n' "$out/runs.log")
  total=$(wc -l <<<"$lines")
  bad=$(awk -F'\t' '$3 != "ok"' <<<"$lines" | wc -l)
  mean=$(awk -F'\t' '{ s += $4 } END { printf "%.1f", s / NR }' <<<"$lines")
  worst=$(awk -F'\t' '$3 != "ok" { print $3 }' <<<"$lines" | sort | uniq -c | sort -rn | head -n 1 | sed 's/^ *//')
  printf "%-16s from the %-6s %2d runs, %2d failed, %4s s a run%s\n" "$name" "$(edge_name "$minute")" \
    "$total" "$bad" "$mean" "${worst:+ (most often: $worst)}"
  failed=$((failed + bad))
done < <(cut -f1,2 "$out/runs.log" | sort -t$'\t' -u -k2,2 -k1,1n)
echo "what the first run of each file printed:"
awk -F'\t' '!seen[$2]++ { print "  " $2 ": " $5 }' "$out/runs.log"
if [ "$failed" -gt 0 ]; then
  echo "FAILED: $failed of $(wc -l <"$out/runs.log") runs did not show exactly one box and end by itself"
  exit 1
fi
echo "every run showed one box and ended by itself"
