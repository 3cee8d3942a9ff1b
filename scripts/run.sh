#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and runs the program with the built-in simulated pager
# listed first (--demo), so Read, Write, Verify and a scan work without a
# cradle. Without a display it draws the window once into
# $BUILD_DIR/zt310prog.png (build/ unless given), never into the tree.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
BUILD_DIR="${BUILD_DIR:-build}"
export BUILD_DIR
sh scripts/build.sh
if command -v fc-list >/dev/null 2>&1 && [ -z "$(fc-list ':charset=ff1a')" ]; then
  echo "No installed font has the full-width colon (U+FF1A): \"S/N：\" shows a box." >&2
  echo "Install fonts-droid-fallback (scripts/setup.sh does) to see it." >&2
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "./$BUILD_DIR/src/ui/zt310prog" --demo "$@"
fi
echo "No display: drawing the window into $BUILD_DIR/zt310prog.png instead."
exec xvfb-run -a "./$BUILD_DIR/src/ui/zt310prog" --demo --screenshot "$BUILD_DIR/zt310prog.png" "$@"
