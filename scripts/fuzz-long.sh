#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# an hour), one after the other, or the targets named after SECONDS.
#   sh scripts/fuzz-long.sh 3600 fuzz_frames
# Seeds and kept crash inputs come from tests/fuzz/corpus/<target>; what the
# run discovers grows in $FUZZ_WORK/<target> (default build dir/corpus), so
# the checked-in corpus stays small. A crash stops with its input saved in
# $FUZZ_WORK/crashes: add it to the target's corpus once fixed.
# FUZZ_JOBS above 1 runs all the targets at once. FUZZ_SEED fixes libFuzzer's seed
# (a fresh one each run when unset).
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-3600}"
[ $# -gt 0 ] && shift
BUILD="${FUZZ_BUILD_DIR:-build-fuzz}"
WORK="${FUZZ_WORK:-$BUILD/corpus}"
TARGETS="${*:-fuzz_table_file fuzz_frames fuzz_editor_commit fuzz_sim_request fuzz_text_import}"
[ "$SECONDS_EACH" -gt 0 ] || exit 0

[ "${FUZZ_FRESH:-0}" = 1 ] && rm -rf "$BUILD"
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT310_FUZZ=ON \
  -DZT310_PARTS="codeplug;tones;protocol;sim;editor" >/dev/null
cmake --build "$BUILD" --target fuzz_all -j"$(nproc)"

mkdir -p "$WORK/crashes"
run_one() {
  target="$1"
  mkdir -p "$WORK/$target"
  echo "== $target for ${SECONDS_EACH}s"
  "$BUILD/tests/fuzz/$target" ${FUZZ_SEED:+-seed="$FUZZ_SEED"} -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$WORK/crashes/$target-" "$WORK/$target" "tests/fuzz/corpus/$target" \
    >"$WORK/$target.log" 2>&1 || { tail -n 60 "$WORK/$target.log"; return 1; }
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb|cov:" "$WORK/$target.log" | tail -n 3
}

status=0
if [ "${FUZZ_JOBS:-1}" -gt 1 ]; then
  pids=""
  for target in $TARGETS; do
    run_one "$target" &
    pids="$pids $!"
  done
  for pid in $pids; do wait "$pid" || status=1; done
else
  for target in $TARGETS; do run_one "$target" || status=1; done
fi
exit $status
