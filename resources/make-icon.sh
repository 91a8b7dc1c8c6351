#!/usr/bin/env bash
# Makes resources/mirokate.ico from its one drawing: a black square in a thin
# white frame holding a picture of sky over sea. The drawing is given on a grid of
# 32 and drawn anew at each size, every edge on a whole pixel, so that no size is
# a blurred copy of another. Needs ImageMagick's convert.
#   resources/make-icon.sh [OUTPUT.ico]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
output=${1:-$here/mirokate.ico}
sizes="16 20 24 32 40 48 64 256"

# The drawing on the grid of 32: a white frame of line width 1 round the window's
# black, from 2 to 30; inside it the picture's shapes (colour, left, top, right,
# bottom; right and bottom excluded), each over the ones before it.
frame="2 30"
picture=(
  "#78C8F0 7 10 25 16"  # sky
  "#2878C8 7 16 25 22"  # sea
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# An edge of the grid at a size, rounded to the nearest pixel.
at_size() { echo $((($1 * $2 + 16) / 32)); }
# ImageMagick's rectangle includes its last pixel.
rectangle() { echo "rectangle $1,$2 $(($3 - 1)),$(($4 - 1))"; }

images=()
for size in $sizes; do
  read -r outer_start outer_end <<<"$frame"
  outer0=$(at_size "$outer_start" "$size") outer1=$(at_size "$outer_end" "$size")
  # The frame keeps a line of at least one pixel on every side at the smallest sizes.
  line=$(((size + 16) / 32))
  [ "$line" -ge 1 ] || line=1
  draw=(-fill "#FFFFFF" -draw "$(rectangle "$outer0" "$outer0" "$outer1" "$outer1")"
        -fill "#000000" -draw "$(rectangle $((outer0 + line)) $((outer0 + line)) $((outer1 - line)) $((outer1 - line)))")
  for shape in "${picture[@]}"; do
    read -r colour left top right bottom <<<"$shape"
    draw+=(-fill "$colour" -draw "$(rectangle "$(at_size "$left" "$size")" "$(at_size "$top" "$size")" \
                                              "$(at_size "$right" "$size")" "$(at_size "$bottom" "$size")")")
  done
convert -size "${size}x$size" xc:none "${draw[@]}" -define png:compression-level=9 "PNG32:$work/$size.png"
  images+=("$work/$size.png")
done
convert "${images[@]}" "$output"
identify "$output"
