#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a man page made from a program's own --help:
#   make-manpage.sh NAME PROGRAM VERSION OUTPUT
# For zt310 every verb's help becomes a section of its own, so the page says
# exactly what `zt310 VERB --help` says.
set -eu
if [ $# -ne 4 ]; then
  echo "Usage: make-manpage.sh NAME PROGRAM VERSION OUTPUT" >&2
  exit 2
fi
name=$1 program=$2 version=$3 output=$4
tmp="$output.tmp.$$"
trap 'rm -f "$tmp"' EXIT

# Help text as roff without filling: backslashes doubled as \e, lines that
# would read as requests guarded by \&.
verbatim() {
  echo ".nf"
  sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
  echo ".fi"
}

# The program's help as the installed program prints it: Qt names the
# program by the path it was started with, which here is the build folder.
help_of() {
  "$program" "$@" | awk -v path="$program" -v name="$name" '
    { while ((i = index($0, path)) > 0) $0 = substr($0, 1, i - 1) name substr($0, i + length(path)); print }'
}

help=$(help_of --help)
# The first plain line after the usage: what the program is, up to its first full stop.
summary=$(printf '%s\n' "$help" | awk '
  /^Usage:/ { usage = 1; next }
  usage && /^[ \t]/ { next }
  /^$/ { next }
  { sub(/\. .*/, ""); sub(/\.$/, ""); print; exit }')
upper=$(printf '%s' "$name" | tr 'a-z-' 'A-Z-')

{
  echo ".TH $upper 1 \"\" \"$name $version\" \"ZT310 Programmer\""
  echo ".SH NAME"
  printf '%s \\- %s\n' "$name" "$summary"
  echo ".SH SYNOPSIS"
  printf '%s\n' "$help" | awk '/^Usage:/ { u = 1; sub(/^Usage: */, ""); print; next } u && /^[ \t]/ { sub(/^[ \t]+/, ""); print; next } { exit }' | verbatim
  echo ".SH DESCRIPTION"
  printf '%s\n' "$help" | awk '/^Usage:/ { u = 1; next } u && /^[ \t]/ { next } { u = 0; print }' | sed '/./,$!d' | verbatim

  if [ "$name" = "zt310" ]; then
    verbs=$(printf '%s\n' "$help" | awk '/^Verbs:/ { v = 1; next } v && /^  [a-z]/ { print $1; next } v { exit }')
    if [ -z "$verbs" ]; then
      echo "make-manpage.sh: no verbs in '$program --help'" >&2
      exit 1
    fi
    echo ".SH VERBS"
    for verb in $verbs; do
      echo ".SS $verb"
      help_of "$verb" --help | verbatim
    done
    echo ".SH EXIT STATUS"
    echo "0 success, 1 the operation failed or found a difference, 2 usage or file error."
  fi

  echo ".SH FILES"
  echo ".TP"
  echo ".I /usr/share/doc/zt310prog/docs/user-guide.md"
  echo "the user guide: install, first run, Write, Read, Verify, production, troubleshooting"
  echo ".SH SEE ALSO"
  others=$(for other in zt310prog zt310 zt310-sim; do [ "$other" = "$name" ] || echo "$other"; done)
  last=$(printf '%s\n' "$others" | tail -n 1)
  for other in $others; do
    if [ "$other" = "$last" ]; then echo ".BR $other (1)"; else echo ".BR $other (1),"; fi
  done
} >"$tmp"
mv "$tmp" "$output"
trap - EXIT
