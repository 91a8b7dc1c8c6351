#!/usr/bin/env bash
# The release package as a user receives it. Made twice from one commit, it is
# the same bytes; it holds the exe, the guide, the licence and the notices and
# nothing else; the exe is optimised and stripped, imports only the system's
# DLLs and carries its Japanese version texts and its manifest; the guide is
# code page 932 with CR LF; and the packaged exe, run on the sample, saves it.
#   check-package.sh SOURCE_DIR WINE_RUNNER resource_dump.exe headless_run.exe
set -euo pipefail
root=$1 runner=$2 dump=$3 headless=$4
export LC_ALL=C.UTF-8
fail=0
problem() { echo "$*"; fail=1; }
# Unix paths reach Windows programs through drive Z:.
windows() { echo "Z:${1//\//\\}"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

release=${MIROKATE_RELEASE_BUILD:-$root/build-release}
"$root/scripts/package" >"$work/first.log"
read -r first zip <"$root/dist/SHA256SUMS"
[ -f "$root/dist/$zip" ] || problem "SHA256SUMS names $zip, which is not in dist/"
# Again from the same commit, in another second, with the exe linked anew.
start=$(date +%s)
while [ "$(date +%s)" = "$start" ]; do :; done
rm -f "$release/mirokate.exe"
"$root/scripts/package" >"$work/second.log"
read -r second _ <"$root/dist/SHA256SUMS"
[ "$first" = "$second" ] || problem "two packages of one commit differ: $first $second"
(cd "$root/dist" && sha256sum -c --quiet SHA256SUMS) || problem "SHA256SUMS does not match the zip"

version=$(sed -n 's/^mirokate-\(.*\)-win32\.zip$/\1/p' <<<"$zip")
[ -n "$version" ] || problem "the zip's name gives no version: $zip"
names=$(unzip -Z1 "$root/dist/$zip" | sort | tr '\n' ' ')
[ "$names" = "LICENSE.txt THIRD-PARTY-NOTICES.txt mirokate.exe readme.txt " ] || problem "the zip holds: $names"
unzip -q "$root/dist/$zip" -d "$work/unpacked"
exe="$work/unpacked/mirokate.exe"

size=$(stat -c %s "$exe")
# At most 5 MB with the picture libraries linked in (libjpeg-turbo, libwebp, libheif, libde265, dav1d).
[ "$size" -le 5000000 ] || problem "mirokate.exe is $size bytes"
i686-w64-mingw32-objdump -h "$exe" | grep -q '\.debug' && problem "mirokate.exe carries debug information"
i686-w64-mingw32-objdump -t "$exe" | grep -q '^\[' && problem "mirokate.exe carries symbols"
bash "$root/tests/app/check-exe.sh" "$exe" || fail=1

# The guide reads on a Japanese Windows: code page 932, CR LF, this version.
iconv -f CP932 -t UTF-8 "$work/unpacked/readme.txt" >"$work/readme.utf8" || problem "readme.txt is not code page 932"
grep -qv $'\r$' "$work/unpacked/readme.txt" && problem "readme.txt has a line without CR LF"
grep -q "ミロカテ  バージョン $version" "$work/readme.utf8" || problem "readme.txt does not name version $version"
grep -q 'based in part on the work of the Independent JPEG Group' "$work/unpacked/THIRD-PARTY-NOTICES.txt" ||
  problem "the notices lack the JPEG group's statement"
grep -q 'Copyright (c) 2010, Google Inc.' "$work/unpacked/THIRD-PARTY-NOTICES.txt" &&
  grep -q 'Additional IP Rights Grant (Patents)' "$work/unpacked/THIRD-PARTY-NOTICES.txt" ||
  problem "the notices lack libwebp's licence and patent grant"
# The HEIF and AVIF libraries: LGPL's full text with how its terms are met, dav1d's BSD notice.
for text in 'GNU LESSER GENERAL PUBLIC LICENSE' 'anyone can relink' 'Copyright © 2018-2019, VideoLAN and dav1d authors'; do
  grep -qF "$text" "$work/unpacked/THIRD-PARTY-NOTICES.txt" || problem "the notices lack '$text'"
done
grep -q 'Permission is hereby granted' "$work/unpacked/LICENSE.txt" || problem "LICENSE.txt holds no licence"

# What Explorer's Properties and the loader read.
"$runner" "$dump" "$(windows "$exe")" | tr -d '\r' >"$work/resources"
expect() { grep -qxF "$1" "$work/resources" || problem "version texts lack '$1'"; }
expect "Translation=041104b0"
expect "ProductName=ミロカテ"
expect "FileVersion=$version"
expect "ProductVersion=$version"
expect "OriginalFilename=mirokate.exe"
grep -qE '^FileDescription=ミロカテ.+' "$work/resources" || problem "no file description"
grep -qE '^LegalCopyright=Copyright \(C\) [0-9]{4} ' "$work/resources" || problem "no copyright"
manifest=$(sed -n '/^Manifest=/,$p' "$work/resources")
grep -q 'level="asInvoker"' <<<"$manifest" || problem "the manifest does not run the program as invoker"
for os in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
  4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  grep -q "{$os}" <<<"$manifest" || problem "the manifest lacks the supported system {$os}"
done
# Told the screen's real resolution on every Windows, and buttons in the system's own style.
grep -qE '<dpiAware[^>]*>true</dpiAware>' <<<"$manifest" || problem "the manifest does not declare DPI awareness"
grep -qE '<dpiAwareness[^>]*>system</dpiAwareness>' <<<"$manifest" ||
  problem "the manifest does not declare system DPI awareness for Windows 10 and 11"
grep -qE 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' <<<"$manifest" ||
  problem "the manifest does not ask for the common controls of version 6"
grep -qE '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>' \
  <<<"$manifest" || problem "the manifest does not declare long paths"

# As a user: the packaged exe on the sample, in a folder of its own.
cp "$root/samples/sample.bmp" "$work/unpacked/"
"$runner" "$headless" "$(windows "$exe")" "$(windows "$work/unpacked/sample.bmp")" \
  >"$work/run.log" || problem "the packaged exe failed on the sample: $(cat "$work/run.log")"
grep -q 'のミロカテ形式で保存しました。' "$work/run.log" || problem "no saved report: $(cat "$work/run.log")"
saved="$work/unpacked/ミロカテ ～ sample.jpg"
[ "$(head -c 3 "$saved" 2>/dev/null | od -An -tx1 | tr -d ' ')" = ffd8ff ] || problem "no JPEG saved beside the sample"

[ "$fail" -eq 0 ] && echo "package $zip ($first): contents, exe, version texts, manifest and a run are as they should be"
exit "$fail"
