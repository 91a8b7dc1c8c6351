#!/usr/bin/env bash
# One headless run of the real program on pictures, judged as a person at the
# screen would judge it; for the rounds of damaged pictures, inside a session of
# scripts/wine-runner (--session), with MIROKATE_BUILD set:
#   bench/program-run.sh PICTURE...
# Prints one line, "VERDICT<tab>SECONDS<tab>BOXES", the boxes' texts on one line,
# and exits non-zero unless the verdict is "ok". A sound run shows exactly one
# box (every box that appeared is counted), ends by itself within
# MIROKATE_RUN_LIMIT seconds (default 60) with exit code 0, never reports a save
# without its file, and, for several pictures, its report names every picture
# given, as saved or not. A run that shows more than MIROKATE_BOX_LIMIT boxes
# (default 20) is stopped there. The outputs the run made are removed.
set -euo pipefail
within=${MIROKATE_RUN_LIMIT:-60}
most=${MIROKATE_BOX_LIMIT:-20}
prefix="ミロカテ ～ "
windows=()
for picture in "$@"; do windows+=("Z:${picture//\//\\}"); done
# The output the program names for a picture: its last extension replaced.
output_of() { local name; name=$(basename "$1"); echo "$(dirname "$1")/$prefix${name%.*}.jpg"; }

started=$(date +%s%N)
code=0
text=$(wine "$MIROKATE_BUILD/headless_run.exe" --within "$within" --boxes-at-most "$most" \
  "$MIROKATE_BUILD/mirokate.exe" "${windows[@]}" 2>/dev/null | tr -d '\r') || code=$?
tenths=$(( ($(date +%s%N) - started) / 100000000 ))
boxes=$(( $(grep -c '^box ' <<<"$text" || true) + $(sed -n 's/^boxes shown and never answered: //p' <<<"$text" | head -n 1) + 0 ))

verdict=ok
problem() { [ "$verdict" != ok ] || verdict=$1; }
grep -q 'did not end within' <<<"$text" && problem "no end within $within s ($boxes boxes)"
grep -q 'more boxes than' <<<"$text" && problem "more than $most boxes"
grep -q 'closed it with its close box' <<<"$text" && problem "window left open ($boxes boxes)"
[ "$code" = 0 ] || problem "exit $code"
[ "$boxes" = 1 ] || problem "$boxes boxes"
for picture in "$@"; do
  output=$(output_of "$picture")
  name=$(basename "$picture")
  if [ $# -gt 1 ]; then
    # The report's lines are "name：detail": the picture's name when it failed,
    # its output's when it was saved.
    if grep -qF "$(basename "$output")：" <<<"$text"; then
      [ -s "$output" ] || problem "reported $name saved without its file"
    elif ! grep -qF "$name：" <<<"$text"; then
      problem "the report leaves out $name"
    fi
  elif grep -q '保存しました' <<<"$text" && [ ! -s "$output" ]; then
    problem "success without a file"
  fi
  rm -f "$output"
done
printf '%s\t%d.%d\t%s\n' "$verdict" $((tenths / 10)) $((tenths % 10)) "$(tr '\n' ' ' <<<"$text")"
[ "$verdict" = ok ]
