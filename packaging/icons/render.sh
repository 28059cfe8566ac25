#!/usr/bin/env bash
# Renders the PNG sizes of the icon from zovtool.svg (needs rsvg-convert from librsvg2-bin).
# The PNGs are kept in the repository, so that a build needs no SVG renderer; run this after
# changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" zovtool.svg -o "zovtool-$size.png"
done
