#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing need on Debian 12 (as root, or with sudo).
set -eu
# fonts-droid-fallback: a font with the full-width colon (U+FF1A) of "S/N："
# postgresql: the tests of the shared record start a throw-away server of their own
# openbox, xdotool, x11-utils: scripts/window-check.sh drives a real window manager
PACKAGES="cmake g++ ninja-build qt6-base-dev qt6-serialport-dev libgl-dev xvfb xauth clang libclang-rt-14-dev fonts-droid-fallback libyaml-cpp-dev libqt6sql6-sqlite libqt6sql6-psql postgresql openbox xdotool x11-utils clang-format clang-tidy"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi
