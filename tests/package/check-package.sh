#!/usr/bin/env bash
# The release package as a user receives it. Made twice from one commit, it is
# the same bytes; it holds the exe, the guide as text and as a web page, the
# licence and the notices and nothing else; the exe is optimised and stripped,
# imports only the system's DLLs and carries its Japanese version texts and its
# manifest; every text file is UTF-8 with a byte-order mark and CR LF; the
# notices hold the licence of each library linked in; no Linux path appears;
# and the packaged exe, run in a Wine prefix made for this check alone, opens
# the shipped guide and saves the sample.
#   check-package.sh SOURCE_DIR WINE_RUNNER resource_dump.exe headless_run.exe
set -euo pipefail
root=$1 runner=$2 dump=$3 headless=$4
export LC_ALL=C.UTF-8
fail=0
problem() { echo "$*"; fail=1; }
# Unix paths reach Windows programs through drive Z:.
windows() { echo "Z:${1//\//\\}"; }
work=$(mktemp -d)
# The Wine prefix made for the check goes with it, its server first.
trap 'WINEPREFIX="$work/cache/wine32" wineserver -k 2>/dev/null; rm -rf "$work"' EXIT

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
[ "$names" = "LICENSE.txt THIRD-PARTY-NOTICES.txt mirokate.exe mirokate.html readme.txt " ] ||
  problem "the zip holds: $names"
unzip -q "$root/dist/$zip" -d "$work/unpacked"
exe="$work/unpacked/mirokate.exe"

size=$(stat -c %s "$exe")
# At most 5 MB with the picture libraries linked in (libjpeg-turbo, libwebp, libheif, libde265, dav1d).
[ "$size" -le 5000000 ] || problem "mirokate.exe is $size bytes"
i686-w64-mingw32-objdump -h "$exe" | grep -q '\.debug' && problem "mirokate.exe carries debug information"
i686-w64-mingw32-objdump -t "$exe" | grep -q '^\[' && problem "mirokate.exe carries symbols"
bash "$root/tests/app/check-exe.sh" "$exe" || fail=1

# Every text reads in Notepad on any Windows: a byte-order mark, UTF-8, CR LF.
for text in readme.txt LICENSE.txt THIRD-PARTY-NOTICES.txt mirokate.html; do
  file="$work/unpacked/$text"
  [ "$(head -c 3 "$file" | od -An -tx1 | tr -d ' ')" = efbbbf ] || problem "$text has no byte-order mark"
  iconv -f UTF-8 -t UTF-8 "$file" >/dev/null 2>&1 || problem "$text is not UTF-8"
  grep -qv $'\r$' "$file" && problem "$text has a line without CR LF"
done
# No line of the package speaks of a Linux system, the exe's bytes included: no
# path of one, and none of the words a distribution's copyright files wrap
# licences in.
linux='/(usr|home|root|work|tmp)/[[:alnum:]._/-]*|Debian GNU/Linux|packaged for Debian|common-licenses'
for file in "$work"/unpacked/*; do
  grep -aqE "$linux" "$file" &&
    problem "$(basename "$file") speaks of a Linux system: $(grep -aoE "$linux" "$file" | head -n 3 | tr '\n' ' ')"
done
grep -q "ミロカテ  バージョン $version" "$work/unpacked/readme.txt" || problem "readme.txt does not name version $version"
python3 - "$work/unpacked/mirokate.html" "$version" <<'PY' || problem "mirokate.html is not a well-formed page of this version"
import html.parser, sys
class Page(html.parser.HTMLParser):
    void = {"meta", "link", "br", "img", "hr", "input"}
    def __init__(self):
        super().__init__()
        self.open, self.charset, self.title = [], None, ""
    def handle_starttag(self, tag, attrs):
        if tag == "meta" and ("charset", "utf-8") in attrs: self.charset = "utf-8"
        if tag not in self.void: self.open.append(tag)
    def handle_endtag(self, tag):
        assert self.open and self.open.pop() == tag, f"</{tag}> closes nothing open"
    def handle_data(self, data):
        if self.open and self.open[-1] == "title": self.title += data
page = Page()
page.feed(open(sys.argv[1], encoding="utf-8-sig").read())
page.close()
assert not page.open, f"left open: {page.open}"
assert page.charset == "utf-8", "no meta charset utf-8"
assert sys.argv[2] in page.title, f"title: {page.title}"
PY
# Each library linked into the exe, with its licence in full.
notices="$work/unpacked/THIRD-PARTY-NOTICES.txt"
for text in 'based in part on the work of the Independent JPEG Group' 'Copyright (c) 2010, Google Inc.' \
  'Additional IP Rights Grant (Patents)' 'GNU LESSER GENERAL PUBLIC LICENSE' 'anyone can relink' \
  'Copyright © 2018-2019, VideoLAN and dav1d authors' 'MinGW-w64 runtime licensing' \
  'Copyright (c) 2011 mingw-w64 project' 'GCC RUNTIME LIBRARY EXCEPTION' '2. No Weakening of GCC Copyleft'; do
  grep -qF "$text" "$notices" || problem "the notices lack '$text'"
done
for library in libjpeg-turbo libwebp libheif libde265 dav1d mingw-w64 winpthreads libgcc libstdc++; do
  grep '^==== ' "$notices" | grep -qF "$library" || problem "the notices have no part for $library"
done
# The GNU GPL 3 in full with each licence that builds on it: libheif's and
# libde265's LGPL, the GCC runtime's exception.
[ "$(grep -c 'END OF TERMS AND CONDITIONS' "$notices")" -ge 3 ] || problem "the notices lack a full GNU GPL text"
grep -q 'Permission is hereby granted' "$work/unpacked/LICENSE.txt" || problem "LICENSE.txt holds no licence"

# What Explorer's Properties and the loader read.
"$runner" "$dump" "$(windows "$exe")" | tr -d '\r' >"$work/resources"
expect() { grep -qxF "$1" "$work/resources" || problem "version texts lack '$1'"; }
expect "Translation=041104b0"
expect "ProductName=ミロカテ"
expect "FileVersion=$version"
expect "ProductVersion=$version"
expect "OriginalFilename=mirokate.exe"
expect "CompanyName=ミロカテ開発チーム"
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

# As a new user: the packaged exe in a Wine prefix of its own, made for this check,
# with the stand-in browser recording what it is asked to open.
# A test run's own record (MIROKATE_BROWSER_LOG) is not this prefix's.
clean() {
  env -u MIROKATE_WINE_SESSION MIROKATE_CACHE="$work/cache" MIROKATE_BROWSER_LOG="$work/cache/browser.log" \
    "$runner" "$@"
}
guide_address="file://$work/unpacked/mirokate.html"
clean "$headless" "$(windows "$exe")" >"$work/prompt.log" || problem "the prompt failed: $(cat "$work/prompt.log")"
for _ in $(seq 1 200); do
  [ -s "$work/cache/browser.log" ] && break
  sleep 0.1
done
# Wine's browser launcher passes a local page on as a file: address.
[ "$(cat "$work/cache/browser.log" 2>/dev/null)" = "$guide_address" ] ||
  problem "はい opened '$(cat "$work/cache/browser.log" 2>/dev/null)', not $guide_address: $(cat "$work/prompt.log")"
cp "$root/samples/sample.bmp" "$work/unpacked/"
clean "$headless" "$(windows "$exe")" "$(windows "$work/unpacked/sample.bmp")" \
  >"$work/run.log" || problem "the packaged exe failed on the sample: $(cat "$work/run.log")"
grep -q 'のミロカテ形式で保存しました。' "$work/run.log" || problem "no saved report: $(cat "$work/run.log")"
saved="$work/unpacked/ミロカテ ～ sample.jpg"
[ "$(head -c 3 "$saved" 2>/dev/null | od -An -tx1 | tr -d ' ')" = ffd8ff ] || problem "no JPEG saved beside the sample"

[ "$fail" -eq 0 ] && echo "package $zip ($first): contents, texts, notices, exe, version texts, manifest, the information page and a run are as they should be"
exit "$fail"
