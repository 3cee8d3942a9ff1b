#!/bin/sh
# Sets up, builds and runs the program.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
sh scripts/build.sh
./build/src/cli/zt310 new -o build/factory-default.tbl
exec ./build/src/cli/zt310 dump build/factory-default.tbl
