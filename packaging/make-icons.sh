#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the PNG icons beside the SVGs (run after changing an SVG; the
# PNGs are kept in the tree so a build needs no renderer):
#   sh packaging/make-icons.sh     (needs rsvg-convert from librsvg2-bin)
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" io.github.zt310prog.zt310prog.svg \
    -o "icons/${size}x${size}/io.github.zt310prog.zt310prog.png"
  rsvg-convert -w "$size" -h "$size" application-x-zt310-codeplug.svg \
    -o "icons/${size}x${size}/application-x-zt310-codeplug.png"
done
