#!/bin/sh
# Sets up, builds and runs the program with the built-in simulated pager
# listed first (--demo), so Read, Write, Verify and a scan work without a
# cradle. Without a display it draws the window once into zt310prog.png.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
sh scripts/build.sh
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/src/ui/zt310prog --demo "$@"
fi
echo "No display: drawing the window into zt310prog.png instead."
exec xvfb-run -a ./build/src/ui/zt310prog --demo --screenshot zt310prog.png "$@"
