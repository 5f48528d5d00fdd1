#!/usr/bin/env bash
# Renders the committed PNG icons from the SVG after it changes
# (needs rsvg-convert: apt-get install librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" org.tintloom.Tintloom.svg -o "${size}x${size}/org.tintloom.Tintloom.png"
done
