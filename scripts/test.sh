#!/bin/sh
# Sets up, builds from scratch and runs every test.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
BUILD_DIR="${BUILD_DIR:-build-test}"
rm -rf "$BUILD_DIR"
BUILD_DIR="$BUILD_DIR" sh scripts/build.sh
QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
