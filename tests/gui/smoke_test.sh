#!/bin/bash
# Starts the reminder on a private X server (no window manager) and checks its
# main window: found by its caption, client area 378x265 and not resizable, off
# the task bar. Saves screenshots into the output directory.
# Usage: smoke_test.sh PROGRAM OUTPUT_DIR   (exit 77: skipped)
set -u
program=$1
out_dir=$2
caption='Zelmora任务提醒器1.62'

for tool in Xvfb xdotool xwininfo xprop import; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (apt-get install xvfb xdotool x11-utils imagemagick)"
    exit 77
  fi
done
fc-list ':lang=zh' family | grep -q . || echo "warning: no CJK font installed (fonts-wqy-microhei); captions will not render"

work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}

# Xvfb picks a free display number itself and writes it to the descriptor.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
echo "X server on $DISPLAY"

mkdir -p "$work/config" "$out_dir"
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" XDG_CONFIG_HOME="$work/config" \
  XDG_RUNTIME_DIR="$work" "$program" >"$work/program.log" 2>&1 &
program_pid=$!

window=
for _ in $(seq 100); do
  window=$(xdotool search --name "^${caption//./\\.}\$" 2>/dev/null | head -n1)
  [ -n "$window" ] && break
  kill -0 "$program_pid" 2>/dev/null || fail "the program ended early: $(cat "$work/program.log")"
  sleep 0.1
done
[ -n "$window" ] || fail "no window captioned $caption"
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
kill -0 "$program_pid" 2>/dev/null || fail "the program ended: $(cat "$work/program.log")"
echo "main window $window: ${width}x${height}, off the task bar; screenshots in $out_dir"
