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

# The production station: two simulated cradles at 9600 baud, four pagers
# from a counter, drawn in a folder of its own (the day's log, settings and
# backups go there).
simulator="$(dirname "$program")/../sim/zt310-sim"
work="$(mktemp -d)"
trap 'kill $sims 2>/dev/null; rm -rf "$work"' EXIT
sims=""
for cradle in 1 2; do
  "$simulator" --baud 9600 --link "$work/cradle$cradle" >"$work/sim$cradle.out" &
  sims="$sims $!"
done
for cradle in 1 2; do
  until grep -q ready "$work/sim$cradle.out" 2>/dev/null; do sleep 0.1; done
done
picture="$(pwd)/screenshots/guide-production-line.png"
(cd "$work" && XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
  xvfb-run -a "$program" --port "$work/cradle1" --port "$work/cradle2" --screenshot "$picture" --production-line 4)
test -s screenshots/guide-production-line.png

# The result strip after a passed and a failed scan run: the window test
# that drives them draws them when ZT310_PICTURES names a folder.
build="$(dirname "$program")/../.."
ZT310_PICTURES="$(pwd)/screenshots" QT_QPA_PLATFORM=offscreen \
  "$build/tests/ui/test_window_operator" aFailedScanRunStaysRedUntilTheNextScan >/dev/null
test -s screenshots/result-strip-failure.png && test -s screenshots/result-strip-success.png
