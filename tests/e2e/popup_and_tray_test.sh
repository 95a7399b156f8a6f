#!/bin/bash
# The whole program on a desktop with a window manager and a tray (icewm),
# against the local task server: a new task brings the popup into the
# bottom-right corner of the work area once its page has loaded, showing the
# task page for the worker id and filters; it hides after the close time; View
# shows it again; minimising leaves only the tray icon; a click on the icon
# brings the main window back; closing the main window takes the icon and the
# popup away at once, even while the page view is slow to end.
# Run it through tests/support/run_on_virtual_desktop.sh.
# Usage: popup_and_tray_test.sh PROGRAM TASKSERVER OUTPUT_DIR
set -u
program=$1
taskserver=$2
out_dir=$3
. "$(dirname "$0")/../support/virtual_desktop.sh"
main_caption='Zelmora任务提醒器1.62'
popup_caption='Zelmora通知'
close_seconds=6

require_tools xdotool xwininfo xprop import convert
[ -n "${DISPLAY:-}" ] || { echo "run me through run_on_virtual_desktop.sh"; exit 2; }
work=$vd_work
fail() {
  echo "FAIL: $*"
  import -window root "$out_dir/failure.png" 2>/dev/null
  [ -f "$work/requests.log" ] && sed 's/^/  request: /' "$work/requests.log"
  [ -f "$work/program.log" ] && grep -v -E '^(js:|  \*)' "$work/program.log" | tail -20 | sed 's/^/  program: /'
  exit 1
}
mkdir -p "$out_dir"
rm -f "$out_dir"/*.png

# --- helpers on X windows ---
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
# Outer rectangle "x y width height" of a framed window: client area plus the
# frame the window manager announces.
frame_of() {
  local info x y w h extents l r t b
  info=$(xwininfo -id "$1") || return 1
  x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  w=$(awk '/Width:/ {print $NF}' <<<"$info")
  h=$(awk '/Height:/ {print $NF}' <<<"$info")
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
  IFS=, read -r l r t b <<<"${extents:-0,0,0,0}"
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
# The program has no task-bar button: every visible client window of ours
# skips it, and icewm's task bar shows no button at all (nothing else runs).
off_taskbar() {
  local id pane buttons
  for id in $(xprop -root _NET_CLIENT_LIST | sed -n 's/.*# //p' | tr -d ','); do
    [ "$(xprop -id "$id" _NET_WM_PID | sed -n 's/.*= //p')" = "$program_pid" ] || continue
    viewable "$id" || continue
    xprop -id "$id" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR ||
      fail "window $id ($(xprop -id "$id" _NET_WM_NAME | sed -n 's/.*= //p')) asks for a task-bar button"
  done
  pane=$(xwininfo -root -tree | awk '/"TaskPane"/ {print $1; exit}')
  [ -n "$pane" ] || return 0
  buttons=0
  for id in $(xwininfo -id "$pane" -children | awk '/^ +0x/ {print $1}'); do
    viewable "$id" && buttons=$((buttons + 1))
  done
  [ "$buttons" -eq 0 ] || fail "the task bar shows $buttons button(s) (see $out_dir/failure.png)"
}
popup_visible() { [ -n "$popup" ] && viewable "$popup"; }
popup_hidden() { ! popup_visible; }

# --- the task server, the program ---
"$taskserver" --port 0 --task-every 3600 --note-every 3600 --log "$work/requests.log" >"$work/server.out" 2>&1 &
track $!
wait_until 100 grep -q listening "$work/server.out" || fail "task server did not start"
address=$(awk '/listening/ {print $NF; exit}' "$work/server.out")

mkdir -p "$work/config"
env HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
  ZELMORA_TEST_TASK_SERVER="$address" "$program" >"$work/program.log" 2>&1 &
program_pid=$!
track "$program_pid"
window=
find_main() { window=$(xdotool search --onlyvisible --name "^${main_caption}\$" 2>/dev/null | head -n1); [ -n "$window" ]; }
wait_until 100 find_main || fail "main window did not appear"
sleep 0.5

# The whole window, frame included, starts in the middle of the screen.
read -r mx my mw mh < <(frame_of "$window")
read -r sw sh < <(xwininfo -root | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w, h}')
dx=$((2 * mx + mw - sw))
dy=$((2 * my + mh - sh))
[ "${dx#-}" -le 1 ] && [ "${dy#-}" -le 1 ] || fail "main window frame ${mw}x${mh} at $mx,$my is not centred on ${sw}x${sh}"
echo "ok: the main window starts centred, frame included"

read -r wa_x wa_y wa_w wa_h < <(xprop -root _NET_WORKAREA | sed -n 's/.*= //p' | tr -d ',' | awk '{print $1, $2, $3, $4}')
echo "work area: ${wa_w}x${wa_h} at ${wa_x},${wa_y}"

# The popup window exists from the start, hidden.
popup=$(find_window "$popup_caption")
[ -n "$popup" ] || fail "no popup window"
popup_hidden || fail "the popup is visible before any task"
off_taskbar

# --- a new task ---
retype_control "$window" edt1 "ZM-e2e 9" # the worker id, with a blank
retype_control "$window" edt3 "$close_seconds"
click_control "$window" btn1
# Stamped before each look that still finds it hidden: it came into sight after.
hidden_before=$(date +%s.%N)
for _ in $(seq 300); do
  now=$(date +%s.%N)
  popup_visible && break
  hidden_before=$now
  sleep 0.1
done
popup_visible || fail "the popup did not appear for the new task"
# It comes into sight only with its page loaded: the page was asked for already,
# and it sits in the corner at once.
show_line=$(grep 'action=show' "$work/requests.log" | head -n1)
expected='GET /tx.php?action=show&userid=ZM-e2e%209&taskid=0&type1=1&type2=1&ip1=1&ip2=1 HTTP/1.1'
[ "$show_line" = "$expected" ] || fail "task page request was '$show_line', expected '$expected'"
echo "ok: task page asked for the worker id and filters"
read -r fx fy fw fh < <(frame_of "$popup")
[ $((fx + fw)) -eq $((wa_x + wa_w)) ] && [ $((fy + fh)) -eq $((wa_y + wa_h)) ] ||
  fail "popup frame ${fw}x${fh} at $fx,$fy; expected its corner at $((wa_x + wa_w)),$((wa_y + wa_h))"
echo "ok: popup in the bottom-right corner of the work area (${fw}x${fh} at $fx,$fy)"
xprop -id "$popup" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || fail "the popup is not kept on top"
[ "$(xdotool getactivewindow 2>/dev/null)" != "$popup" ] || fail "the popup took the focus when it appeared"
sleep 0.5
import -window root -crop "${fw}x${fh}+${fx}+${fy}" +repage "$out_dir/popup.png"
import -window root "$out_dir/desktop-with-popup.png"
# The task page is in the client area: text, not an empty window.
colours=$(convert "$out_dir/popup.png" -crop 300x200+$((fw - 300 - (fw - 300) / 2))+$((fh - 200 - (fw - 300) / 2)) +repage -format %k info:)
[ "$colours" -gt 8 ] || fail "the popup shows no page ($colours colours; see $out_dir/popup.png)"
echo "ok: the page shows in the popup ($colours colours)"

# --- auto-close after the close time, counted from the page load ---
# Between the last look that found it hidden and the first that finds it gone
# again lies at least the time it was in sight: a busy machine only lengthens
# that span, so a span short of the close time means the timer fired early.
wait_until 600 popup_hidden || fail "the popup did not close after ${close_seconds}s"
in_sight=$(awk -v a="$hidden_before" -v b="$(date +%s.%N)" 'BEGIN {printf "%.1f", b - a}')
awk -v s="$in_sight" -v c="$close_seconds" 'BEGIN {exit !(s >= c - 0.1)}' ||
  fail "the popup closed before the close time: in sight for at most ${in_sight}s, close time ${close_seconds}s"
echo "ok: the popup hid after at most ${in_sight}s (close time ${close_seconds}s)"

# --- View shows it again, where it was ---
click_control "$window" btn3
wait_until 50 popup_visible || fail "View did not show the popup"
read -r vx vy _ _ < <(frame_of "$popup")
[ "$vx $vy" = "$fx $fy" ] || fail "View showed the popup at $vx,$vy, not at $fx,$fy"
echo "ok: View shows the popup again in its corner"
active=$(xdotool getactivewindow 2>/dev/null)
[ "$active" != "$popup" ] || fail "the popup took the focus"

# --- minimise to the tray, back with a click on the icon ---
xdotool windowminimize "$window"
wait_until 50 bash -c "! xwininfo -id $window | grep -q IsViewable" || fail "the main window did not go"
tray_icon=
for id in $(xdotool search --onlyvisible --classname 'zelmora' 2>/dev/null); do
  read -r w h < <(xwininfo -id "$id" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w, h}')
  [ "$w" -le 32 ] && [ "$h" -le 32 ] && tray_icon=$id
done
[ -n "$tray_icon" ] || fail "no tray icon"
off_taskbar
read -r tx ty < <(xwininfo -id "$tray_icon" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
import -window root -crop "320x40+$((tx - 240))+$((ty - 8))" +repage "$out_dir/tray.png"
echo "ok: minimised; only the tray icon is left"
xdotool mousemove --window "$tray_icon" 10 10 click 1
wait_until 50 viewable "$window" || fail "a click on the tray icon did not bring the main window back"
echo "ok: the tray icon brings the main window back"
sleep 0.3
import -window root "$out_dir/desktop-restored.png"
off_taskbar
echo "ok: still no task-bar button"

# --- closing the main window: the icon and the popup go at once ---
# A helper that does not end keeps the program waiting for it; nothing on
# screen may wait with it.
click_control "$window" btn3
wait_until 50 popup_visible || fail "View did not show the popup"
helper=$(pgrep -P "$program_pid" -f zelmora-pageview | head -n1)
[ -n "$helper" ] || fail "no page-view helper while the popup shows its page"
kill -STOP "$helper"
xdotool windowactivate --sync "$window" key alt+F4
wait_until 50 bash -c "! xwininfo -id $tray_icon 2>/dev/null | grep -q IsViewable" ||
  fail "the tray icon is still there after the main window closed"
popup_hidden || fail "the popup is still there after the main window closed"
kill -0 "$program_pid" 2>/dev/null || fail "the program ended before the test could look (helper not waited for?)"
echo "ok: the icon and the popup went at once while the program waited for its page view"
wait_until 150 bash -c "! kill -0 $program_pid 2>/dev/null" || fail "the program did not end"
kill -0 "$helper" 2>/dev/null && fail "the stopped page view outlived the program"
echo "ok: the program ended, and its page view with it"
echo PASS
