#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Drives zt310prog under a real X server and window manager (Xvfb 1024x768 +
# openbox, pointer and keys from xdotool) against zt310-sim, where the
# offscreen tests see no window manager, activation or title bar:
#   1. a field refusing a key keeps its edit when the message box closes with
#      the pointer over the window, and what is saved is what is shown; a
#      tab clicked while a field is being edited commits the field first;
#   2. a close request (title-bar X, Alt+F4) or SIGTERM in the middle of Write
#      does not cut the transfer short;
#   3. a second start with a table file hands it to the running window;
#   4. closing with unsaved changes asks first: Cancel keeps the window and
#      the edit, Save stores it and closes;
#   5. a scan that fails (the simulator flips a bit of the last block the
#      run writes) is logged as "Verify Fail !" and the window stays usable;
#      a 7-character scan is refused and the next good scan programs itself;
#   6. Ctrl+Tab and Ctrl+Shift+Tab tour the pages with the focus on the
#      page's first field, where the next keys land.
# Usage: sh scripts/window-check.sh [BUILD_DIR]   (default: build)
# Needs xvfb, openbox, xdotool and x11-utils (xwininfo). Takes about 70 s.
# Not part of CI: the click positions are measured for Debian's default
# fonts, and the timing depends on the machine's load.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
program=$build/src/ui/zt310prog
simulator=$build/src/sim/zt310-sim
cli=$build/src/cli/zt310
for tool in Xvfb openbox xdotool xwininfo "$program" "$simulator" "$cli"; do
  command -v "$tool" >/dev/null 2>&1 || { echo "window-check: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/zt310-window-check.XXXXXX")
started=""
cleanup() {
  for pid in $started; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
failures=0
ok() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }

# Client-area positions in the window (System tab, "RF Delay Time" field).
SYSTEM_TAB="289 105"
ADVANCE_TAB="385 105"
RF_DELAY="198 182"
SERIAL_NO="682 63"

# Waits up to $1 seconds for the shell condition $2.
wait_for() {
  limit=$(($1 * 10))
  while [ "$limit" -gt 0 ]; do
    if eval "$2"; then return 0; fi
    sleep 0.1
    limit=$((limit - 1))
  done
  return 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
started="$! $started"
wait_for 10 '[ -s "$work/display" ]' || { echo "window-check: Xvfb did not start" >&2; exit 2; }
DISPLAY=:$(cat "$work/display")
export DISPLAY
openbox >"$work/openbox.log" 2>&1 &
started="$! $started"
sleep 1

# Settings, pager backups and the one-copy guard go to the check's own
# folders: a copy the user runs meanwhile is neither asked nor changed.
XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
export XDG_CONFIG_HOME XDG_DATA_HOME XDG_RUNTIME_DIR
mkdir -m 700 "$XDG_RUNTIME_DIR"

cd "$work"
"$simulator" --link "$work/pager" --baud 9600 --save "$work/pager.tbl" --trace "$work/trace.txt" >sim.out 2>&1 &
sim_pid=$!
started="$sim_pid $started"
wait_for 10 'grep -q ready sim.out 2>/dev/null' || { echo "window-check: simulator did not start" >&2; exit 2; }
# The widest visible window with the program's caption: the splash of the
# cradle search carries the same caption for a moment.
main_window() {
  for id in $(xdotool search --onlyvisible --name '^\*?ZT310 V1.3.9' 2>/dev/null); do
    echo "$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/{print $2}') $id"
  done | sort -n | tail -1 | cut -d' ' -f2
}
start_program() {
  "$program" --port "$work/pager" >>program.out 2>&1 &
  program_pid=$!
  started="$program_pid $started"
  wait_for 15 '[ -n "$(main_window)" ]' ||
    { echo "window-check: the window did not appear" >&2; exit 2; }
  sleep 2  # the cradle search at start-up
  wait_for 10 'window=$(main_window); [ -n "$window" ]' ||
    { echo "window-check: the window went away" >&2; exit 2; }
  client_x=$(xwininfo -id "$window" | awk '/Absolute upper-left X/{print $4}')
  client_y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/{print $4}')
  client_w=$(xwininfo -id "$window" | awk '/Width:/{print $2}')
  close_button="$((client_x + client_w - 10)) $((client_y - 10))"
}
start_program
echo "window-check: display $DISPLAY, window $(xwininfo -id "$window" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w " x " h}')"

click() { xdotool mousemove --window "$window" $1 click 1; sleep 0.4; }
writes() { cat trace.txt 2>/dev/null | grep -c '; write '; }
alive() { kill -0 "$program_pid" 2>/dev/null; }
shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
get() { "$cli" get "$1" "$2" 2>/dev/null; }
# rf_delay_is FILE WANT OK-TEXT WHAT-FAILED
rf_delay_is() {
  value=$(get "$1" edtRFDelay)
  if [ "$value" = "$2" ]; then ok "$3"; else fail "$4: $1 holds RF Delay Time '$value', not $2"; fi
}
save_as() {
  xdotool key alt+f; sleep 0.4; xdotool key Down Down Return
  wait_for 10 'shown "^Save As\$"' || return 1
  sleep 0.5
  target=$1
  xdotool type --delay 20 "$target"; xdotool key Return
  wait_for 10 '[ -s "$target" ]'
}

# 1. The message box of a refused key closes with Enter while the pointer
# rests over the field; the next key continues the edit.
xdotool windowactivate --sync "$window"
click "$SYSTEM_TAB"
click "$RF_DELAY"
xdotool type --delay 120 12x
if wait_for 10 'shown "^ZT310\$"'; then
  sleep 0.5
  xdotool key Return
  sleep 1
  xdotool type --delay 120 3
  xdotool key Return
  sleep 0.5
  if save_as "$work/p.tbl"; then
    rf_delay_is p.tbl 123 "after the key-filter box, RF Delay Time typed 12x, 3 is saved as 123" \
      "after the key-filter box"
  else
    fail "Save As did not write p.tbl"
  fi
else
  fail "no message box for the refused key"
fi
# Entering the field again starts afresh instead of appending.
click "$RF_DELAY"
xdotool type --delay 120 45
xdotool key Return
sleep 0.3
xdotool key alt+f; sleep 0.4; xdotool key Down Return; sleep 1
rf_delay_is p.tbl 45 "entering the field again starts a fresh value (45 saved)" "entering the field again"

# A tab clicked in the middle of an edit commits the edit before the page
# changes; coming back shows it, and Save As stores it.
click "$RF_DELAY"
xdotool type --delay 120 67
click "$ADVANCE_TAB"
click "$SYSTEM_TAB"
if save_as "$work/tabbed.tbl"; then
  rf_delay_is tabbed.tbl 67 "a tab clicked while editing RF Delay Time commits 67 first" \
    "after a tab click in the middle of the edit"
else
  fail "Save As did not write tabbed.tbl"
fi

# The title-bar close button ends the idle program (which also shows that
# the button is where the checks below click).
xdotool mousemove $close_button click 1
if wait_for 10 '! alive'; then
  ok "the title-bar close button ends an idle program"
else
  fail "the close button did not end an idle program (a box left open, or the button is elsewhere)"
  kill "$program_pid" 2>/dev/null
  wait_for 10 '! alive'
fi

# 2. Close requests and SIGTERM in the middle of Write, in a fresh program
# that loads the file saved above as its default.
cp p.tbl default.tbl 2>/dev/null
start_program

interrupted_write() {  # $1: what interrupts, $2: the command that does it
  alive || start_program  # a program that failed the check before
  before=$(writes)
  xdotool windowactivate --sync "$window"
  xdotool key F4
  if ! wait_for 20 '[ $(($(writes) - before)) -ge 3 ]'; then
    fail "$1: Write did not start"
    return
  fi
  at=$(($(writes) - before))
  eval "$2"
  wait_for 30 '[ $(($(writes) - before)) -ge 15 ]'
  sleep 2
  echo "     $1 after $at of 15 write blocks; blocks sent in all: $(($(writes) - before))"
}

interrupted_write "title-bar close" 'xdotool mousemove $close_button click 1'
[ $(($(writes) - before)) -eq 15 ] && alive && shown '^\*?ZT310 V1.3.9' &&
  ok "title-bar close during Write: all 15 blocks written, the window stays" ||
  fail "title-bar close during Write cut the transfer short or ended the program"

interrupted_write "Alt+F4" 'xdotool windowactivate "$window"; xdotool key alt+F4'
[ $(($(writes) - before)) -eq 15 ] && alive && shown '^\*?ZT310 V1.3.9' &&
  ok "Alt+F4 during Write: all 15 blocks written, the window stays" ||
  fail "Alt+F4 during Write cut the transfer short or ended the program"

interrupted_write "SIGTERM" 'kill -TERM $program_pid'
if wait_for 10 '! alive'; then
  wait "$program_pid"
  status=$?
  [ $(($(writes) - before)) -eq 15 ] && [ "$status" = 0 ] &&
    ok "SIGTERM during Write: all 15 blocks written, then exit $status" ||
    fail "SIGTERM during Write: $(($(writes) - before)) blocks, exit $status"
else
  fail "SIGTERM during Write: the program did not end"
fi
rf_delay_is pager.tbl 45 "the pager holds what the window showed (RF Delay Time 45)" "read back from the pager"

# 3. A second start with a file hands it over: the running window opens it
# and its caption names it; the second start ends at once.
start_program
cp p.tbl other.tbl
"$cli" set other.tbl edtRFDelay=77 >/dev/null 2>&1
"$program" other.tbl >>program.out 2>&1 &
second=$!
if wait_for 10 '! kill -0 $second 2>/dev/null' && wait "$second" &&
   wait_for 10 'shown "^ZT310 V1.3.9  \[$work/other.tbl\]\$"'; then
  ok "a second start with other.tbl hands it to the running window, which opens it"
else
  fail "a second start with a file: not opened in the running window"
fi

# 4. An edit, then the title-bar close: the unsaved-changes question. Escape
# is Cancel (the window and the edit stay); then Save (Enter), and the
# default-file question (Enter, Yes) stores it in default.tbl.
xdotool windowactivate --sync "$window"
click "$SYSTEM_TAB"
click "$RF_DELAY"
xdotool type --delay 120 88
xdotool key Return
sleep 0.5
shown '^\*ZT310 V1.3.9' && ok "the caption marks the unsaved edit with *" || fail "no * in the caption after an edit"
xdotool mousemove $close_button click 1
if wait_for 10 'shown "^ZT310\$"'; then
  xdotool key Escape
  sleep 1
  alive && shown '^\*ZT310 V1.3.9' && ok "Cancel at the unsaved-changes question keeps the window and the edit" ||
    fail "Cancel at the unsaved-changes question did not keep the window"
  xdotool mousemove $close_button click 1
  wait_for 10 'shown "^ZT310\$"' && xdotool key Return  # Save
  sleep 1
  wait_for 10 'shown "^ZT310\$"' && xdotool key Return  # Yes: save to the default file
  if wait_for 10 '! alive'; then
    rf_delay_is default.tbl 88 "Save at the unsaved-changes question stores the edit (88) and closes" \
      "Save at the unsaved-changes question"
  else
    fail "Save at the unsaved-changes question did not close the window"
  fi
else
  fail "closing with an unsaved edit asked nothing"
fi

# 5. Scans. A good scan on a fresh simulated pager shows which request
# writes the run's last block; a second fresh pager flips a bit of that
# block, so the read-back differs. (The red result strip itself is checked
# by the window tests, which can read it.)
restart_simulator() {  # extra options of the simulator
  kill "$sim_pid" 2>/dev/null
  wait "$sim_pid" 2>/dev/null
  rm -f sim.out scan-trace.txt
  "$simulator" --link "$work/pager" --baud 9600 --trace "$work/scan-trace.txt" "$@" >sim.out 2>&1 &
  sim_pid=$!
  started="$sim_pid $started"
  wait_for 10 'grep -q ready sim.out 2>/dev/null' || { echo "window-check: simulator did not start" >&2; exit 2; }
}
scan() {  # a keyboard-mode scanner: the number within a few milliseconds, then Enter
  click "$SERIAL_NO"
  xdotool type --delay 8 "$1"
  xdotool key Return
}
stop_program() {
  kill -TERM "$program_pid" 2>/dev/null
  wait_for 10 '! alive'
}
log=$work/$(date +%Y-%m-%d).log
logged() { grep -c "Serial No. = $1  $2" "$log" 2>/dev/null; }

restart_simulator
start_program
xdotool windowactivate --sync "$window"
scan AB1234567890
if wait_for 60 '[ "$(logged AB1234567890 "Write Success !")" = 1 ]'; then
  ok "a good scan programs the pager and logs \"Write Success !\""
else
  fail "a good scan was not logged as a success"
fi
last_write=$(grep '; write ' scan-trace.txt | tail -1 | cut -d' ' -f1)
stop_program
restart_simulator --fault "flip@$last_write"
start_program
xdotool windowactivate --sync "$window"
# Another label: the production record refuses a number programmed before.
scan AB1234567891
if wait_for 60 '[ "$(logged AB1234567891 "Verify Fail !")" = 1 ]'; then
  grep -q "fault flip" scan-trace.txt && alive &&
    ok "a scan whose last block reads back different is logged \"Verify Fail !\"" ||
    fail "the failing scan: no fault in the trace, or the program ended"
else
  fail "a scan with a flipped block was not logged as \"Verify Fail !\""
fi
lines=$(wc -l <"$log")
scan ABC1234
sleep 1
[ "$(wc -l <"$log")" = "$lines" ] && ok "a 7-character scan is refused: nothing logged" ||
  fail "a 7-character scan reached the log"
xdotool type --delay 8 CD9876543210  # the field kept the focus and is empty again
xdotool key Return
if wait_for 60 '[ "$(logged CD9876543210 "Write Success !")" = 1 ]'; then
  grep -q "ABC1234" "$log" && fail "the refused scan was appended to the next one" ||
    ok "the next good scan after the refused one programs exactly itself"
else
  fail "the good scan after a refused one was not programmed"
fi

# 6. The Ctrl+Tab tour: four pages on (Advance Setting), one back (System),
# the focus on the page's first field, "Decorder Reset", with its text
# selected: the keys typed replace it.
xdotool windowactivate --sync "$window"
xdotool key ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab
sleep 0.3
xdotool key ctrl+shift+Tab
sleep 0.3
xdotool type --delay 120 25
xdotool key Return
sleep 0.5
if save_as "$work/tour.tbl"; then
  value=$(get tour.tbl edtDecorderReset)
  case $value in
    25|25.0) ok "Ctrl+Tab x4, Ctrl+Shift+Tab: System page, focus on Decorder Reset (25 saved)" ;;
    *) fail "after the Ctrl+Tab tour the keys did not land in Decorder Reset: '$value'" ;;
  esac
else
  fail "Save As did not write tour.tbl"
fi
stop_program

[ "$failures" = 0 ] && echo "window-check: all passed" || echo "window-check: $failures failed"
[ "$failures" = 0 ]
