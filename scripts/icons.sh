#!/bin/bash
# Renders the program's icon (data/tesorin.svg) into the PNG sizes of the
# hicolor theme: data/icons/<N>x<N>/tesorin.png. The PNGs are kept in the
# repository (the window's icon is built into the program from them); run
# this after changing the SVG. With a folder argument it renders there
# instead, which the tests use to check the kept PNGs are current.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=${1:-data/icons}
for n in 16 22 24 32 48 64 128 256; do
    mkdir -p "$OUT/${n}x${n}"
    rsvg-convert -w "$n" -h "$n" -o "$OUT/${n}x${n}/tesorin.png" data/tesorin.svg
done
# The preview's own tool-bar icons, used where the desktop's theme has none.
for name in print printer-settings; do
    for n in 16 32; do
        rsvg-convert -w "$n" -h "$n" -o "$OUT/actions-$name-$n.png" "data/actions/$name.svg"
    done
done
