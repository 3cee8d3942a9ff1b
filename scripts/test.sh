#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds from scratch and runs every test, twice: as shipped and
# with AddressSanitizer and UndefinedBehaviorSanitizer. Then each fuzz
# target runs for a few seconds on its corpus (FUZZ_SECONDS, 0 skips them;
# FUZZ_SEED picks the seed, 1 unless given).
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
BUILD_DIR="${BUILD_DIR:-build-test}"
JOBS="$(nproc)"

run_suite() {
  dir="$1"
  shift
  rm -rf "$dir"
  BUILD_DIR="$dir" CMAKE_ARGS="-DZT310_WERROR=ON $*" sh scripts/build.sh
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j"$JOBS"
}

echo "== Tests"
run_suite "$BUILD_DIR"

echo "== Tests with AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}" \
UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(pwd)/tests/fuzz/lsan.supp}" \
  run_suite "$BUILD_DIR-asan" -DZT310_SANITIZE=ON

# The smoke runs start from a fixed seed, so two runs of this command on the
# same tree try the same inputs; hunting with fresh seeds is fuzz-long.sh's
# job (FUZZ_SEED= unset there).
echo "== Fuzz smoke runs"
FUZZ_SEED="${FUZZ_SEED:-1}" FUZZ_BUILD_DIR="$BUILD_DIR-fuzz" FUZZ_FRESH=1 sh scripts/fuzz-long.sh "${FUZZ_SECONDS:-15}"
