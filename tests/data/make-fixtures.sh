#!/bin/sh
# Makes the stored code-plugs of tests/data with our own programs:
#   sh tests/data/make-fixtures.sh build/src/cli/zt310 build/src/sim/zt310-sim tests/data
# The files are kept in the repository: a change of what these commands make
# shows as a failing test, not as a silently different fixture.
set -eu
zt310=$(realpath "$1")
sim=$(realpath "$2")
out=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$zt310" new -o "$out/factory.tbl"
"$zt310" set "$out/factory.tbl" radToneSystem2=1 -o "$out/plectron.tbl"
"$zt310" set "$out/factory.tbl" chkNB=1 -o "$out/narrow-band.tbl"

# read FILE SIM-OPTION...: what "zt310 read" stores from a simulated pager.
read_pager() {
  file=$1
  shift
  "$sim" --link "$work/cradle" "$@" > "$work/sim.out" &
  pid=$!
  tries=0
  until [ -e "$work/cradle" ]; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { kill $pid; exit 1; }
    sleep 0.1
  done
  "$zt310" read --port "$work/cradle" -o "$out/$file"
  kill $pid
  wait $pid || true
  rm -f "$work/cradle"
}
read_pager firmware-1.0.5.tbl --firmware 1.0.5 --serial AB1234567890
read_pager one-channel-5.0.0.tbl --firmware 5.0.0 --single-channel --serial AB1234567891
