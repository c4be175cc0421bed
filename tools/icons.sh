#!/usr/bin/env bash
# tools/icons.sh — draws packaging/icons/nortea-SIZE.png from packaging/icons/nortea.svg
# (needs rsvg-convert, Debian's librsvg2-bin). Up to 32 px the card's edge and the
# postal-code boxes are drawn thicker, or they fade into the background.
set -euo pipefail
icons="$(cd "$(dirname "$0")/../packaging/icons" && pwd)"
small="$(mktemp)"
trap 'rm -f "$small"' EXIT
sed -e 's/stroke-width="4"/stroke-width="12"/' -e 's/stroke-width="2.5"/stroke-width="5"/' \
    -e 's/fill-opacity="0.22"/fill-opacity="0.3"/' "$icons/nortea.svg" >"$small"
for size in 16 22 24 32 48 64 128 256 512; do
  source="$icons/nortea.svg"
  ((size <= 32)) && source="$small"
  rsvg-convert -w "$size" -h "$size" "$source" -o "$icons/nortea-$size.png"
done
