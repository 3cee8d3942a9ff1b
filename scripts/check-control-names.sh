#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that every control name is written out in one place: a string
# literal in src/ that is an object name of a control or the prefix of one
# (edt, cbo, cbl, chk, lbl, rad, btn, tab, grp, pan ...) appears in at most
# two files: the table that defines it and, where unavoidable, the one page
# that lays it out, and once in each: a file that needs a name twice gives it
# a constant. (A bare prefix such as "edt" may repeat in the row functions.)
# Everything else reaches the control through the constants and row
# functions of src/editor/ControlNames.h. Comments are not counted. Prints
# the names found in two files and any found in more or twice in one.
#   sh scripts/check-control-names.sh [SOURCE_DIR]
set -eu
cd "${1:-$(dirname "$0")/..}/src"

limit=2
# A name with a format place ("radToneSystem%1") counts as a literal of its own.
pattern='"(edt|cbo|cbl|chk|lbl|rad|rb|btn|tab|grp|pan|pnl|PageControl)([A-Z0-9%][A-Za-z0-9_%]*)?"'

# Every literal of every file, once per time it is written: "NAME FILE".
occurrences() {
  find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##' | sort | while read -r file; do
    sed -e 's#^[[:space:]]*//.*##' -e 's#[[:space:]]//[[:space:]].*##' "$file" |
      grep -oE "$pattern" | sed "s#\$# $file#"
  done
}
literals() { occurrences | sort -u; }

status=0
report=$(literals | awk -v limit="$limit" '
  { files[$1] = files[$1] " " $2; count[$1]++ }
  END {
    status = 0
    for (name in count) {
      if (count[name] > limit) {
        print name " is written out in " count[name] " files of src/ (at most " limit "):" files[name]
        status = 1
      } else if (count[name] == limit) {
        print name " in" files[name]
      }
    }
    exit status
  }') || status=1
[ -n "$report" ] && printf '%s\n' "$report" | sort
# A name (not a bare prefix) written more than once in one file.
repeated=$(occurrences | sort | uniq -c |
           awk '$1 > 1 && $2 !~ /^"(edt|cbo|cbl|chk|lbl|rad|rb|btn|tab|grp|pan|pnl)"$/ { print $2 " is written out " $1 " times in " $3 " (give it a constant)" }')
if [ -n "$repeated" ]; then
  printf '%s\n' "$repeated"
  status=1
fi
total=$(literals | awk '{ print $1 }' | sort -u | wc -l | tr -d ' ')
if [ "$status" = 0 ]; then
  echo "$total control names and prefixes, none in more than $limit files of src/"
fi
exit "$status"
