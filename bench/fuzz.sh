#!/usr/bin/env bash
# One round of damaged pictures, run by hand (never in CI):
#   bench/fuzz.sh [SEED] [COUNT] [PROGRAM_RUNS]
# 1. seeds: the BMP conformance pictures, the bundled sample, JPEG files of every
#    kind the library makes (baseline, progressive, arithmetic, gray, 4:4:4,
#    restart markers) and a CMYK one, the PNG conformance pictures, PNGs with an
#    Exif chunk, pictures with colour profiles and the GIF, TIFF and icon test
#    files, and the same picture as PNG, GIF, TIFF, icon, TGA and DDS made by
#    ImageMagick, small (shown enlarged) and large (shown smaller), the WebP,
#    HEIC and AVIF test pictures and a large one of each, and as JPEG XR
#    where the machine has the format's reference encoder (JxrEncApp);
# 2. COUNT damaged copies made from them with SEED (default 1 and 10000);
# 3. the fuzz driver warms up on the seeds, every kind of picture once (and
#    names any decoder of the system's none of them reaches), then loads, draws
#    and saves the suite and every copy, counting crashes, hangs, GDI objects and
#    handles, draw failures and storms of them, and the messages of the failures;
# 4. the real program runs headless PROGRAM_RUNS times (default 100), through
#    bench/program-run.sh: first three times alone on each copy the driver saw
#    fail while drawing (at most 10), then on copies taken evenly from the round, by turns
#    one alone and three together with a sound picture. Each run must show one
#    box, end by itself with exit code 0, never report a save without its file,
#    and report every picture given.
# Everything goes to ${MIROKATE_FUZZ:-/tmp/mirokate-fuzz}; MIROKATE_FUZZ_ONLY (a list
# of extensions) keeps only those seeds.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../scripts" && pwd)
# shellcheck source=scripts/common.sh
. "$here/common.sh"

seed=${1:-1}
count=${2:-10000}
runs=${3:-100}
out=${MIROKATE_FUZZ:-/tmp/mirokate-fuzz}
win() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }
# The Windows paths of the files in a folder, one a line.
list() { local f; for f in "$1"/*; do win "$f"; done; }

ensure_setup
cmake -S "$MIROKATE_ROOT" -B "$MIROKATE_BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$MIROKATE_ROOT/cmake/i686-w64-mingw32.cmake" >/dev/null
if ! cmake --build "$MIROKATE_BUILD" --target fuzz_driver mirokate headless_run >"$MIROKATE_BUILD/fuzz-build.log" 2>&1; then
  cat "$MIROKATE_BUILD/fuzz-build.log"
  exit 1
fi

rm -rf "$out" && mkdir -p "$out/seeds" "$out/saved"
suite="$MIROKATE_ROOT/tests/data/bmpsuite"
cp "$suite"/g/*.bmp "$suite"/q/*.bmp "$MIROKATE_ROOT/samples/sample.bmp" "$out/seeds/"
tools="$MIROKATE_JPEG_PREFIX/bin"
# The library's own test pictures, kept with its source by setup.
images=$(echo "$MIROKATE_CACHE"/libjpeg-turbo-src/libjpeg-turbo-*/testimages)
cp "$images"/testorig.jpg "$images"/testimgint.jpg "$images"/testimgari.jpg "$out/seeds/"
ppm=$(win "$images/testorig.ppm")
jpeg_seed() {  # name, cjpeg options...
  local name=$1; shift
  "$here/wine-runner" "$tools/cjpeg.exe" "$@" -outfile "$(win "$out/seeds")\\$name" "$ppm" >/dev/null
}
jpeg_seed progressive.jpg -progressive
jpeg_seed gray.jpg -grayscale
jpeg_seed full-chroma.jpg -sample 1x1 -quality 95
jpeg_seed restarts.jpg -restart 1 -optimize
jpeg_seed arithmetic-progressive.jpg -arithmetic -progressive

cp "$MIROKATE_ROOT"/tests/data/pngsuite/*.png "$MIROKATE_ROOT"/tests/data/wic/*.{gif,tif,ico} "$out/seeds/" 2>/dev/null || true
# PNGs whose orientation is in their own Exif chunk, which the program walks itself.
cp "$MIROKATE_ROOT"/tests/data/exif-chunks/orientation-{3,6}.png "$out/seeds/"
# Pictures with colour profiles: embedded in JPEG segments, PNG chunks, a TIFF's
# tags and BMP headers, and an ink JPEG.
cp "$MIROKATE_ROOT"/tests/data/colour/*.{jpg,png,tif,bmp} "$out/seeds/"
/usr/bin/convert "$images/testorig.ppm" -colorspace CMYK "$out/seeds/cmyk.jpg"
for kind in png gif tif ico tga dds; do
  /usr/bin/convert "$images/testorig.ppm" -resize 64x64 "$out/seeds/made.$kind"
done
for kind in png gif tif tga dds; do
  /usr/bin/convert "$images/testorig.ppm" -resize '800x600!' "$out/seeds/large.$kind"
done
# WebP, read by the program's own libwebp: lossy, lossless, with alpha, animated,
# with a profile and with an orientation, and a large lossy one.
cp "$MIROKATE_ROOT"/tests/data/webp/*.webp "$out/seeds/"
/usr/bin/convert "$images/testorig.ppm" -resize '800x600!' "$out/large-webp.png"
cwebp -quiet "$out/large-webp.png" -o "$out/seeds/large.webp" && rm "$out/large-webp.png"
# HEIC and AVIF, read by libheif: 8 and 10 bits, alpha, a profile, turned, an
# Exif orientation under a turn, grids of tiles, PQ, and a large one of each.
cp "$MIROKATE_ROOT"/tests/data/heif/*.{heic,avif} "$out/seeds/"
/usr/bin/convert "$images/testorig.ppm" -resize '800x600!' "$out/large-heif.png"
heif-enc -q 50 "$out/large-heif.png" -o "$out/seeds/large.heic" >/dev/null
heif-enc -A -q 50 "$out/large-heif.png" -o "$out/seeds/large.avif" >/dev/null
rm "$out/large-heif.png"
if command -v JxrEncApp >/dev/null; then
  for size in 64x64 '800x600!'; do
    /usr/bin/convert "$images/testorig.ppm" -resize "$size" -type TrueColor "$out/jxr.bmp"
    JxrEncApp -i "$out/jxr.bmp" -o "$out/seeds/made-${size%%x*}.jxr" >/dev/null
  done
  rm "$out/jxr.bmp"
fi

# MIROKATE_FUZZ_ONLY="heic avif webp" keeps only the seeds of those extensions,
# so that a round's copies all go to the formats at hand.
if [ -n "${MIROKATE_FUZZ_ONLY:-}" ]; then
  for file in "$out"/seeds/*; do
    grep -qw -- "${file##*.}" <<<"$MIROKATE_FUZZ_ONLY" || rm "$file"
  done
fi
echo "== seeds: $(ls "$out/seeds" | wc -l) pictures; making $count damaged copies with seed $seed"
list "$out/seeds" >"$out/seeds.list"
# The warm-up also meets every sound BMP of the suite, which every round checks.
{ cat "$out/seeds.list"; list "$suite/g"; } >"$out/warm.list"
"$here/wine-runner" "$MIROKATE_BUILD/bench/fuzz_driver.exe" mutate "$seed" "$count" "$(win "$out/mutated")" \
  "@$(win "$out/seeds.list")"

{
  list "$out/seeds"
  for kind in g q b x; do list "$suite/$kind"; done
  list "$out/mutated"
} >"$out/check.list"
echo "== loading, drawing and saving $(wc -l <"$out/check.list") pictures"
# A fault inside a system library (a decoder of the system's own) ends the
# driver with its stop box (exit code 4); it is counted apart, and the round goes
# on after that picture, after warming up on the seeds again.
status=0
: >"$out/check.log"
cp "$out/check.list" "$out/rest.list"
while :; do
  code=0
  "$here/wine-runner" "$MIROKATE_BUILD/bench/fuzz_driver.exe" check "$(win "$out/saved")" \
    --warm "@$(win "$out/warm.list")" "@$(win "$out/rest.list")" \
    >>"$out/check.log" || code=$?
  [ "$code" = 4 ] || { status=$code; break; }
  faulty=$(sed -n 's/^SYSTEM FAULT //p' "$out/check.log" | tail -n 1 | tr -d '\r')
  if grep -qxF "$faulty" <(list "$out/seeds"); then status=4; break; fi
  faulty=$faulty awk 'after { print } $0 == ENVIRON["faulty"] { after = 1 }' "$out/rest.list" >"$out/next.list"
  [ -s "$out/next.list" ] || break
  mv "$out/next.list" "$out/rest.list"
done
tally() { grep -c "$1" "$out/check.log" || true; }
echo "checked: $(tally '^ok ') drawn and saved, $(tally '^refused ') refused with a known message," \
  "$(tally '^draw failure ') draw failures, $(tally '^STORM ') storms (a box for each paint)," \
  "$(tally '^FAULT ') faults in the program's code, $(tally '^UNKNOWN ') unknown messages," \
  "$(tally '^LEAK ') leaking, $(tally '^SYSTEM FAULT ') faults inside the system's libraries"
grep '^warm-up' "$out/check.log" | sort -u
grep '^SYSTEM FAULT ' "$out/check.log" | head -20 || true
case $status in
  0) ;;
  3) echo "HANG: $(grep '^HANG' "$out/check.log")" ;;
  1) grep -E '^(STORM|FAULT|UNKNOWN|LEAK)' "$out/check.log" | head -20 ;;
  *) echo "CRASH (exit $status) after: $(tail -n 1 "$out/check.log")" ;;
esac
echo "messages of the refusals:"
sed -nE 's/^refused [^ ]+: //p' "$out/check.log" | sed -E 's/#[0-9]+/#N/; s/コード：[0-9]+.*/コード：N/; s/「[^」]*」/「…」/g' | sort | uniq -c | sort -rn

echo "== the real program: $runs runs"
# The Unix paths of the copies the driver saw fail while drawing, then of copies
# taken evenly from the round.
grep -E '^(draw failure|STORM) ' "$out/check.log" | tr -d '\r' | sed -E 's/^(draw failure|STORM) Z:([^:]+):.*$/\2/; s|\\|/|g' \
  | head -n 10 >"$out/drawing.list" || true
ls "$out"/mutated/* | awk -v every="$(( count / (2 * runs) > 1 ? count / (2 * runs) : 1 ))" \
  'NR % every == 0' >"$out/spread.list"
cp "$MIROKATE_ROOT/samples/sample.bmp" "$out/sound.bmp"
export out runs
"$here/wine-runner" --session bash -c '
  run=0
  # One line a run: the names given, then what program-run.sh says of it.
  one() { printf "%s\t" "$(basename -a "$@" | tr "\n" " ")"; "$MIROKATE_ROOT/bench/program-run.sh" "$@" || true; }
  # Whether a failed paint shows a box for each later paint depends on when the
  # box comes up: three runs each.
  while read -r picture; do
    for _ in 1 2 3; do
      [ "$run" -lt "$runs" ] && run=$((run + 1)) && one "$picture"
    done
  done <"$out/drawing.list"
  exec 3<"$out/spread.list"
  while [ "$run" -lt "$runs" ] && read -r first <&3; do
    run=$((run + 1))
    if [ $((run % 2)) = 1 ]; then one "$first"; continue; fi
    # Three copies and the sound picture, in a folder of their own, the sound one
    # at a place that changes from run to run.
    folder="$out/runs/$run" && mkdir -p "$folder" && cp "$first" "$folder/"
    read -r second <&3 && cp "$second" "$folder/" || true
    read -r third <&3 && cp "$third" "$folder/" || true
    mapfile -t given < <(ls "$folder"/*)
    place=$(( run / 2 % (${#given[@]} + 1) ))
    cp "$out/sound.bmp" "$folder/sound.bmp"
    given=("${given[@]:0:place}" "$folder/sound.bmp" "${given[@]:place}")
    one "${given[@]}"
    rm -rf "$folder"
  done
' >"$out/program.log" || true
bad=$(awk -F'\t' '$2 != "ok"' "$out/program.log" | wc -l)
echo "program runs: $(wc -l <"$out/program.log") ($(awk -F'\t' 'split($1, names, " ") > 1' "$out/program.log" | wc -l)" \
  "of several pictures), not sound: $bad"
awk -F'\t' '$2 != "ok"' "$out/program.log" | head -20
[ "$status" -eq 0 ] && [ "$bad" -eq 0 ]
