#!/usr/bin/env bash
# Renders the hicolor PNG icons from zelmora.svg (ImageMagick). The PNGs are kept
# in the repository, so building and packaging need no SVG renderer and every
# build ships the same pixels; run this after changing the SVG and commit the result.
# zelmora-16.png and zelmora-32.png, the program's own window and tray icons, are
# drawn for their size and not rendered here.
set -euo pipefail
cd "$(dirname "$0")"
for size in 22 24 48 64 128 256; do
  # Rendered large and scaled down: small sizes come out smoother than rendered directly.
  convert -background none -density 768 zelmora.svg -resize "${size}x${size}" \
    -depth 8 -strip -define png:exclude-chunks=date,time "PNG32:zelmora-$size.png"
done
