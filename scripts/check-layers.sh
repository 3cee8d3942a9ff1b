#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the include graph of src/ against the floors of docs/architecture.md:
# a folder includes only its own headers and those of the folders listed for
# it there (all on lower floors), the plain C++ folders include no Qt header,
# and the graph has no circle. The table of the floors in
# docs/architecture.md is the one list: this script reads it. Prints the
# graph it found.
#   sh scripts/check-layers.sh [SOURCE_DIR]
set -eu
root="${1:-$(dirname "$0")/..}"
cd "$root"
root=$(pwd)
table="$root/docs/architecture.md"

# The rows of the floors' table: | `folder` | floor | includes | plain C++ |.
# A note in brackets ("(and Qt Core)") names no folder; "-" or a dash is none.
rows=$(sed -n 's/^| `\([a-z]*\)` | \([0-9]*\) | \(.*\) | \(yes\|no\) |$/\1|\2|\3|\4/p' "$table" |
       sed 's/([^)]*)//g; s/–//g')
if [ -z "$rows" ]; then
  echo "docs/architecture.md: no table of floors found (| \`folder\` | floor | includes | plain C++ |)"
  exit 1
fi

allowed() {
  line=$(printf '%s\n' "$rows" | grep "^$1|" || true)
  if [ -z "$line" ]; then
    echo "?"
    return
  fi
  printf '%s\n' "$line" | cut -d'|' -f3 | tr ',' ' ' | tr -s ' ' | sed 's/^ //; s/ $//'
}
plain=$(printf '%s\n' "$rows" | awk -F'|' '$4 == "yes" { print $1 }' | tr '\n' ' ')

cd src
status=0
edges=""
for dir in */; do
  dir="${dir%/}"
  if [ "$(allowed "$dir")" = "?" ]; then
    echo "src/$dir: a folder without a floor; add its row to the table of docs/architecture.md"
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
