#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Times whole "zt310 set" processes that change one tone on a factory-default
# code-plug. Not a test: it prints the times; the goal is under 50 ms a call.
#   bench/set_bench.sh [ZT310_BINARY] [RUNS]
set -eu
ZT310=${1:-build/src/cli/zt310}
RUNS=${2:-20}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

"$ZT310" new -o "$WORK/default.tbl" >/dev/null

now_ns() { date +%s%N; }
total=0
worst=0
i=0
while [ "$i" -lt "$RUNS" ]; do
  cp "$WORK/default.tbl" "$WORK/run.tbl"
  start=$(now_ns)
  "$ZT310" set "$WORK/run.tbl" edtF1T10=1000 >/dev/null
  end=$(now_ns)
  us=$(( (end - start) / 1000 ))
  total=$((total + us))
  [ "$us" -gt "$worst" ] && worst=$us
  i=$((i + 1))
done
echo "zt310 set, one tone on a factory-default file: $RUNS runs," \
     "mean $((total / RUNS / 1000)).$(( (total / RUNS) % 1000 / 100 )) ms," \
     "worst $((worst / 1000)).$(( worst % 1000 / 100 )) ms (goal < 50 ms)"
