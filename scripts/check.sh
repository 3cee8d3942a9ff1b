#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The quick check before a commit, beside the from-scratch scripts/test.sh:
# the include floors, the control names written once, the format of src/
# and tests/ (clang-format with .clang-format, nothing rewritten), then an
# incremental build of ./build (or $BUILD_DIR) and its tests. Each step
# runs even when an earlier one failed; the exit status is 1 when any did.
#   sh scripts/check.sh [ctest arguments, e.g. -R test_operations]
set -u
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
JOBS="${JOBS:-$(nproc)}"
failed=""

step() {
  name="$1"
  shift
  echo "== $name"
  if ! "$@"; then
    failed="$failed $name"
    echo "== $name: FAILED" >&2
  fi
}

format_check() {
  if ! command -v clang-format >/dev/null 2>&1; then
    echo "clang-format is not installed (scripts/setup.sh installs it)" >&2
    return 1
  fi
  # The files that differ from the style, one a line; FORMAT_DETAILS=1 shows how.
  if [ -n "${FORMAT_DETAILS:-}" ]; then
    git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' |
      xargs -0 -r clang-format --dry-run --Werror --style=file
    return
  fi
  unformatted=$(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' | while IFS= read -r file; do
    clang-format --dry-run --Werror --style=file "$file" >/dev/null 2>&1 || echo "$file"
  done)
  [ -z "$unformatted" ] && return 0
  echo "$unformatted" | sed 's/^/  not formatted: /' >&2
  echo "  (clang-format -i FILE formats one; FORMAT_DETAILS=1 shows the changes)" >&2
  return 1
}

build() {
  if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DZT310_WERROR=ON \
      ${CMAKE_ARGS:-} || return 1
  fi
  cmake --build "$BUILD_DIR" -j"$JOBS"
}

run_tests() {
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" -j"$JOBS" --output-on-failure "$@"
}

step layers sh scripts/check-layers.sh . >/dev/null
step control-names sh scripts/check-control-names.sh . >/dev/null
step format format_check
step build build
# Tests only of a build that succeeded.
case "$failed" in
  *build*) ;;
  *) step tests run_tests "$@" ;;
esac

if [ -n "$failed" ]; then
  echo "check failed:$failed" >&2
  exit 1
fi
echo "check passed"
