#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the user guide's picture of the first run (the window with the
# simulated pager, --demo) with the program itself under Xvfb:
#   sh docs/make-screenshots.sh [ZT310PROG]
# (default: build/src/ui/zt310prog), and the result strip's pictures with the
# window test beside it in the build. The page pictures beside it
# (channel-f1.png, setting.png, ...) are made the same way with --page N.
set -eu
cd "$(dirname "$0")"
program="$(realpath "${1:-../build/src/ui/zt310prog}")"
xvfb-run -a "$program" --demo --screenshot screenshots/guide-first-run.png --page 0
test -s screenshots/guide-first-run.png
# The result strip after a passed and a failed scan run: the window test
# that drives them draws them when ZT310_PICTURES names a folder.
build="$(dirname "$program")/../.."
ZT310_PICTURES="$(pwd)/screenshots" QT_QPA_PLATFORM=offscreen \
  "$build/tests/ui/test_window_operator" aFailedScanRunStaysRedUntilTheNextScan >/dev/null
test -s screenshots/result-strip-failure.png && test -s screenshots/result-strip-success.png
