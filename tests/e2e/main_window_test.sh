#!/bin/bash
# The reminder's main window on a bare X server (no window manager): found by its
# caption, client area 378x265 and not resizable, off the task bar. Saves
# screenshots into the output directory.
# Usage: main_window_test.sh PROGRAM OUTPUT_DIR   (exit 77: skipped)
set -u
program=$1
out_dir=$2
. "$(dirname "$0")/../support/virtual_desktop.sh"
caption='Zelmora任务提醒器1.62'

require_tools Xvfb xdotool xwininfo xprop import
fc-list ':lang=zh' family | grep -q . || echo "warning: no CJK font installed (fonts-wqy-microhei); captions will not render"
fail() {
  echo "FAIL: $*"
  exit 1
}

start_x 1024x768
mkdir -p "$vd_work/config" "$out_dir"
env -u QT_QPA_PLATFORM HOME="$vd_work" XDG_CONFIG_HOME="$vd_work/config" XDG_RUNTIME_DIR="$vd_work" \
  "$program" >"$vd_work/program.log" 2>&1 &
program_pid=$!
track $program_pid

window=
found() {
  window=$(find_window "$caption")
  [ -n "$window" ] || ! kill -0 "$program_pid" 2>/dev/null
}
wait_until 100 found && [ -n "$window" ] || fail "no window captioned $caption: $(cat "$vd_work/program.log")"
sleep 0.5  # let it paint before the screenshots

info=$(xwininfo -id "$window")
width=$(sed -n 's/^ *Width: //p' <<<"$info")
height=$(sed -n 's/^ *Height: //p' <<<"$info")
[ "$width" = 378 ] && [ "$height" = 265 ] || fail "client area is ${width}x${height}, not 378x265"

hints=$(xprop -id "$window" WM_NORMAL_HINTS)
grep -q 'minimum size: 378 by 265' <<<"$hints" && grep -q 'maximum size: 378 by 265' <<<"$hints" ||
  fail "the window can be resized: $hints"

title=$(xprop -id "$window" _NET_WM_NAME)
[ "$title" = "_NET_WM_NAME(UTF8_STRING) = \"$caption\"" ] || fail "caption is $title"

state=$(xprop -id "$window" _NET_WM_STATE)
grep -q '_NET_WM_STATE_SKIP_TASKBAR' <<<"$state" || fail "not off the task bar: $state"

import -window root "$out_dir/gui_smoke_screen.png" || fail "no screenshot of the screen"
import -window "$window" "$out_dir/gui_smoke_main_window.png" || fail "no screenshot of the window"
kill -0 "$program_pid" 2>/dev/null || fail "the program ended: $(cat "$vd_work/program.log")"
echo "main window $window: ${width}x${height}, off the task bar; screenshots in $out_dir"
