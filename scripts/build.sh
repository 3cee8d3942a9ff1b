#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds into ./build (or $BUILD_DIR).
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" ${CMAKE_ARGS:-}
cmake --build "$BUILD_DIR" -j"$(nproc)"
