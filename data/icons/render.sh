#!/bin/sh
# Renders the hicolor PNGs from tessaly.svg. The PNGs are kept in the
# repository so a build needs no SVG renderer; run this after changing the
# SVG (needs rsvg-convert: apt-get install librsvg2-bin, or `make icons`).
set -eu
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" tessaly.svg --output "hicolor/${size}x${size}/apps/tessaly.png"
done
