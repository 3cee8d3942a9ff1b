#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the include graph of src/ against the floors of docs/architecture.md:
# a folder includes only its own headers and those of the folders listed for
# it below (all on lower floors), the plain C++ folders include no Qt header,
# and the graph has no circle. Prints the graph it found.
#   sh scripts/check-layers.sh [SOURCE_DIR]
set -eu
cd "${1:-$(dirname "$0")/..}/src"

allowed() {
  case "$1" in
    tones) echo "" ;;
    codeplug) echo "tones" ;;
    protocol) echo "codeplug" ;;
    editor) echo "codeplug tones" ;;
    sim) echo "protocol codeplug" ;;
    port) echo "protocol codeplug" ;;
    record) echo "" ;;
    link) echo "port record protocol codeplug" ;;
    session) echo "link protocol editor codeplug" ;;
    cli) echo "session link record port protocol editor codeplug tones" ;;
    ui) echo "session link record port protocol sim editor codeplug tones" ;;
    *) echo "?" ;;
  esac
}
plain="tones codeplug protocol editor sim"

status=0
edges=""
for dir in */; do
  dir="${dir%/}"
  if [ "$(allowed "$dir")" = "?" ]; then
    echo "src/$dir: a folder without a floor; add it to $0 and docs/architecture.md"
    status=1
    continue
  fi
  used=$(grep -ho '^#include "[A-Za-z_]*/' "$dir"/*.h "$dir"/*.cpp 2>/dev/null |
         sed 's/^#include "//; s#/$##' | sort -u | grep -vx "$dir" || true)
  echo "$dir -> $(echo $used)"
  for other in $used; do
    edges="$edges $dir $other"
    case " $(allowed "$dir") " in
      *" $other "*) ;;
      *) echo "  src/$dir includes src/$other, which is not below it:"
         grep -n "^#include \"$other/" "$dir"/*.h "$dir"/*.cpp | sed 's/^/    /'
         status=1 ;;
    esac
  done
  case " $plain " in
    *" $dir "*)
      if grep -n '^#include <Q' "$dir"/*.h "$dir"/*.cpp; then
        echo "  src/$dir is plain C++ but includes Qt"
        status=1
      fi ;;
  esac
done

# tsort names a loop when the edges hold a circle.
if [ -n "$edges" ] && ! echo "$edges" | tsort >/dev/null 2>&1; then
  echo "the include graph has a circle:"
  echo "$edges" | tsort 2>&1 >/dev/null | sed 's/^/  /'
  status=1
fi
[ "$status" = 0 ] && echo "include graph: no circles, nothing reaching up"
exit "$status"
