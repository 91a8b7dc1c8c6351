#!/usr/bin/env bash
# One round of damaged pictures, run by hand (never in CI):
#   bench/fuzz.sh [SEED] [COUNT] [PROGRAM_RUNS]
# 1. seeds: the BMP conformance pictures, the bundled sample, JPEG files of every
#    kind the library makes (baseline, progressive, arithmetic, gray, 4:4:4,
#    restart markers), the PNG conformance pictures, PNGs with an Exif chunk,
#    pictures with colour profiles and the GIF, TIFF and icon test files, and the same picture as PNG, GIF, TIFF and icon made by ImageMagick;
# 2. COUNT damaged copies made from them with SEED (default 1 and 10000);
# 3. the fuzz driver loads, draws and saves the suite and every copy, counting
#    crashes, hangs, GDI objects and handles, and the messages of the failures;
# 4. the real program runs headless on the first PROGRAM_RUNS copies (default 100):
#    each run must end with exit code 0 and never report a save after a failure.
# Everything goes to ${MIROKATE_FUZZ:-/tmp/mirokate-fuzz}.
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
for kind in png gif tif ico; do
  /usr/bin/convert "$images/testorig.ppm" -resize 64x64 "$out/seeds/made.$kind"
done

echo "== seeds: $(ls "$out/seeds" | wc -l) pictures; making $count damaged copies with seed $seed"
list "$out/seeds" >"$out/seeds.list"
"$here/wine-runner" "$MIROKATE_BUILD/bench/fuzz_driver.exe" mutate "$seed" "$count" "$(win "$out/mutated")" \
  "@$(win "$out/seeds.list")"

{
  # Sound pictures of every kind first: the driver warms up on them.
  list "$out/seeds"
  for kind in g q b x; do list "$suite/$kind"; done
  list "$out/mutated"
} >"$out/check.list"
echo "== loading, drawing and saving $(wc -l <"$out/check.list") pictures"
# A fault inside a system library (a decoder of the system's own) ends the
# driver with its stop box (exit code 4); it is counted apart, and the round goes
# on after that picture, behind the sound seeds again.
status=0
: >"$out/check.log"
cp "$out/check.list" "$out/rest.list"
while :; do
  code=0
  "$here/wine-runner" "$MIROKATE_BUILD/bench/fuzz_driver.exe" check "$(win "$out/saved")" "@$(win "$out/rest.list")" \
    >>"$out/check.log" || code=$?
  [ "$code" = 4 ] || { status=$code; break; }
  faulty=$(sed -n 's/^SYSTEM FAULT //p' "$out/check.log" | tail -n 1 | tr -d '\r')
  if grep -qxF "$faulty" <(list "$out/seeds"); then status=4; break; fi
  { list "$out/seeds"; faulty=$faulty awk 'after { print } $0 == ENVIRON["faulty"] { after = 1 }' "$out/rest.list"; } >"$out/next.list"
  [ "$(wc -l <"$out/next.list")" -gt "$(list "$out/seeds" | wc -l)" ] || break
  mv "$out/next.list" "$out/rest.list"
done
echo "checked: $(grep -c '^ok ' "$out/check.log" || true) drawn and saved," \
  "$(grep -c '^refused ' "$out/check.log" || true) refused with a known message," \
  "$(grep -c '^UNKNOWN ' "$out/check.log" || true) unknown messages, $(grep -c '^LEAK ' "$out/check.log" || true) leaking," \
  "$(grep -c '^SYSTEM FAULT ' "$out/check.log" || true) faults inside the system's libraries"
grep '^SYSTEM FAULT ' "$out/check.log" | head -20 || true
case $status in
  0) ;;
  3) echo "HANG: $(grep '^HANG' "$out/check.log")" ;;
  1) grep -E '^(UNKNOWN|LEAK)' "$out/check.log" | head -20 ;;
  *) echo "CRASH (exit $status) after: $(tail -n 1 "$out/check.log")" ;;
esac
echo "messages of the refusals:"
sed -nE 's/^refused [^ ]+: //p' "$out/check.log" | sed -E 's/#[0-9]+/#N/; s/コード：[0-9]+.*/コード：N/' | sort | uniq -c | sort -rn

echo "== the real program on $runs damaged pictures"
bad=0
export out runs
"$here/wine-runner" --session bash -c '
  n=0; bad=0
  for picture in "$out"/mutated/*; do
    n=$((n + 1)); [ "$n" -gt "$runs" ] && break
    windows="Z:${picture//\//\\}"
    name=$(basename "$picture"); saved="$out/mutated/ミロカテ ～ ${name%.*}.jpg"
    code=0
    wine "$MIROKATE_BUILD/headless_run.exe" "$MIROKATE_BUILD/mirokate.exe" "$windows" >"$out/run.txt" 2>/dev/null \
      || code=$?
    log=$(cat "$out/run.txt")
    reported=$(grep -c "保存しました" <<<"$log" || true)
    failed=$(grep -v "保存しました" <<<"$log" | grep -c "^box" || true)
    verdict=ok
    [ "$code" = 0 ] || verdict="exit $code"
    [ "$reported" -gt 0 ] && [ "$failed" -gt 0 ] && verdict="success after a failure"
    [ "$reported" -gt 0 ] && [ ! -s "$saved" ] && verdict="success without a file"
    [ "$reported" -eq 0 ] && [ "$failed" -eq 0 ] && verdict="ended without a word"
    echo "$verdict $name: $(tr "\n" " " <<<"$log")"
    [ "$verdict" = ok ] || bad=$((bad + 1))
    rm -f "$saved"
  done >"$out/program.log"
  echo "program runs: $((n > runs ? runs : n)), not sound: $bad"
  [ "$bad" -eq 0 ]
' || bad=1
grep -v '^ok ' "$out/program.log" | head -20 || true
[ "$status" -eq 0 ] && [ "$bad" -eq 0 ]
