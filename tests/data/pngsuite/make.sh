#!/bin/bash
# Copies a representative part of PngSuite from Debian's libpng source package
# (every basic colour type and depth, the transparent replacements of several
# kinds, three interlaced files) and makes each one's reference with ImageMagick:
# the picture laid over black, 8 bits a channel, as a PPM. The files' gamma of
# 1.0 would make ImageMagick turn the values from linear light to sRGB; decoders
# that leave gamma alone give the stored values, so the references keep them. Run from anywhere;
# writes beside this script. Needs a deb-src entry (scripts/setup adds one).
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The original tarball holds the suite; Debian's patches do not touch it.
(cd "$work" && apt-get source --download-only -q libpng1.6 >/dev/null 2>&1 || true)
tar -xzf "$work"/libpng1.6_*.orig.tar.gz -C "$work"
suite=$(echo "$work"/libpng-*/contrib/pngsuite)
files="basn0g01 basn0g02 basn0g04 basn0g08 basn0g16 basn2c08 basn2c16 basn3p01 basn3p02 basn3p04 basn3p08
  basn4a08 basn4a16 basn6a08 basn6a16 ftbbn0g04 ftbbn2c16 ftbrn2c08 ftbwn3p08 ftp0n3p08 ftp1n3p08
  ibasn2c08 ibasn3p08 ibasn6a16"
cp "$suite/README" README
for f in $files; do
  cp "$suite/$f.png" .
  convert "$f.png" -set colorspace sRGB -background black -alpha remove -alpha off -depth 8 "$f.ppm"
done
