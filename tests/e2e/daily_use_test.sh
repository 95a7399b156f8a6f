#!/bin/bash
# The program as it is used all day, on a desktop with a tray (icewm), against
# the local task server: the command line; started at login (--minimized
# --start) with a stored setting of the wrong type, it polls with no main
# window and no message box in sight, and shows the box once the window is
# opened; a second start brings the running reminder's window back and ends; a
# second start against a stopped reminder says so and fails; start at login is
# switched on and off from the tray menu; 今日任务 shows the first task's popup
# again; the menu ends the program; the log tells why polls against a closed
# port fail. Run it through tests/support/run_on_virtual_desktop.sh.
# Usage: daily_use_test.sh PROGRAM TASKSERVER OUTPUT_DIR
set -u
program=$1
taskserver=$2
out_dir=$3
. "$(dirname "$0")/../support/virtual_desktop.sh"
caption='Zelmora任务提醒器1.62'

require_tools xdotool xwininfo import
[ -n "${DISPLAY:-}" ] || { echo "run me through run_on_virtual_desktop.sh"; exit 2; }
work=$vd_work
log="$work/state/zelmora/zelmora.log"
fail() {
  echo "FAIL: $*"
  import -window root "$out_dir/daily-use-failure.png" 2>/dev/null
  [ -f "$log" ] && sed 's/^/  log: /' "$log"
  [ -f "$work/program.out" ] && tail -20 "$work/program.out" | sed 's/^/  program: /'
  exit 1
}
mkdir -p "$out_dir" "$work/config"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" XDG_STATE_HOME="$work/state"

# --- the command line ---
"$program" --version >"$work/version.out" 2>&1 || fail "--version ended with status $?"
[ "$(cat "$work/version.out")" = "zelmora 1.62" ] || fail "--version said '$(cat "$work/version.out")'"
"$program" --help | grep -q -- '--minimized' || fail "--help does not list --minimized"
"$program" --minimised >/dev/null 2>"$work/refused.out"
status=$?
[ $status -eq 2 ] || fail "an unknown option ended with status $status, not 2"
grep -q "unknown option '--minimised'" "$work/refused.out" || fail "no clear message: $(cat "$work/refused.out")"
echo "ok: --version, --help, an unknown option refused with status 2"

# --- helpers ---
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
main_windows() { xdotool search --name "^${caption}\$" 2>/dev/null; }
main_viewable() { local id; for id in $(main_windows); do viewable "$id" && return 0; done; return 1; }
tray_icon=
find_tray_icon() {
  local id w h
  for id in $(xdotool search --onlyvisible --classname 'zelmora' 2>/dev/null); do
    read -r w h < <(xwininfo -id "$id" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w, h}')
    [ "$w" -le 32 ] && [ "$h" -le 32 ] && tray_icon=$id && return 0
  done
  return 1
}
# Menus: windows of ours that the window manager leaves alone, wider than the icon.
menus_open() {
  local id info count=0
  for id in $(xdotool search --onlyvisible --classname 'zelmora' 2>/dev/null); do
    info=$(xwininfo -id "$id")
    grep -q 'Override Redirect State: yes' <<<"$info" && [ "$(awk '/Width:/ {print $NF}' <<<"$info")" -gt 32 ] &&
      count=$((count + 1))
  done
  [ "$count" -ge "$1" ]
}
menus_closed() { ! menus_open 1; }
# A right click on the icon opens the tray menu, also in the second a popup
# maps and takes its page.
open_tray_menu() {
  xdotool mousemove --window "$tray_icon" 10 10 click 3
  wait_until 100 menus_open 1 || fail "the tray menu did not open"
}
# Opens the tray menu and picks the entry N places up from the bottom (with
# nothing selected yet, Up selects the last entry, 退出), until COMMAND... says
# it took effect. A menu opened in the moment the popup maps its page can miss
# the keys (seen with AddressSanitizer on a busy machine); a user would take the
# mouse, the test closes the menu and tries again.
choose_from_bottom() {
  local ups=$1 attempt
  shift
  for attempt in 1 2 3; do
    open_tray_menu
    for ((i = 0; i < ups; i++)); do xdotool key Up; done
    xdotool key Return
    wait_until 50 "$@" && return 0
    xdotool key Escape
    wait_until 30 menus_closed || xdotool mousemove 5 5 click 1
    sleep 0.5
  done
  return 1
}
requests() {
  local count
  count=$(grep -c 'action=getnum' "$work/requests.log" 2>/dev/null)
  echo "${count:-0}"
}
has_requests() { [ "$(requests)" -ge "$1" ]; }

"$taskserver" --port 0 --task-every 3600 --note-every 3600 --log "$work/requests.log" >"$work/server.out" 2>&1 &
server_pid=$!
track $server_pid
wait_until 100 grep -q listening "$work/server.out" || fail "task server did not start"
address=$(awk '/listening/ {print $NF; exit}' "$work/server.out")

# Boxes of ours are captioned with the application's title.
boxes() {
  local id
  for id in $(xdotool search --name '^Zelmora任务提醒器$' 2>/dev/null); do viewable "$id" && echo "$id"; done
}
box_shown() { [ -n "$(boxes)" ]; }
close_box() {
  local box
  box=$(boxes | head -n1)
  xdotool windowactivate --sync "$box" key Return 2>/dev/null
  wait_until 50 bash -c "! xwininfo -id $box 2>/dev/null | grep -q IsViewable"
}

# --- started at login: in the tray, polling, a start-up error held ---
mkdir -p "$work/config/zelmora"
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\zelmora\\tixing]\n"interval"=dword:0000003c\n' \
  >"$work/config/zelmora/HKLM.reg"
ZELMORA_TEST_TASK_SERVER="$address" "$program" --minimized --start >"$work/program.out" 2>&1 &
program_pid=$!
track $program_pid
wait_until 100 find_tray_icon || fail "no tray icon"
wait_until 100 has_requests 1 || fail "--start did not start polling"
main_viewable && fail "--minimized showed the main window"
box_shown && fail "a message box waits for a click at login"
grep -q "error held until the main window is opened: Invalid data type for 'interval'" "$log" ||
  fail "the log does not hold the start-up error"
# The first reply brings task 1: its popup must not be hidden again by the
# main window's start-up second.
popup_viewable() {
  local id
  for id in $(xdotool search --name '^Zelmora通知$' 2>/dev/null); do viewable "$id" && return 0; done
  return 1
}
wait_until 150 popup_viewable || fail "the first task after --start did not pop up"
sleep 2
popup_viewable || fail "the first task's popup went out of sight at once"
echo "ok: --minimized --start polls from the tray with a start-up error held, no window or box in sight; the first task pops up"

# --- a second start brings the window back and ends ---
ZELMORA_TEST_TASK_SERVER="$address" timeout 20 "$program" >"$work/second.out" 2>&1
status=$?
[ $status -eq 0 ] || fail "the second start ended with status $status: $(cat "$work/second.out")"
wait_until 50 main_viewable || fail "the second start did not bring the main window back"
[ "$(main_windows | wc -l)" -eq 1 ] || fail "$(main_windows | wc -l) main windows"
kill -0 $program_pid || fail "the first reminder ended"
echo "ok: a second start shows the running reminder's window and ends with status 0"
wait_until 50 box_shown || fail "the window came back without the held start-up error"
close_box || fail "the start-up error's box did not close"
echo "ok: the window opened shows the start-up error held since login"

# --- a second start against a stopped reminder says so and fails ---
kill -STOP $program_pid
at_exit "kill -CONT $program_pid"
ZELMORA_TEST_TASK_SERVER="$address" timeout 60 "$program" >"$work/second.out" 2>&1 &
second_pid=$!
wait_until 300 box_shown || fail "no message box says that the running reminder does not answer"
import -window root "$out_dir/daily-use-no-answer.png"
close_box || fail "the box did not close"
wait $second_pid
status=$?
[ $status -eq 1 ] || fail "the second start ended with status $status, not 1"
grep -q "error shown: The reminder already running on this display (process $program_pid) does not answer" "$log" ||
  fail "the log does not tell that the running reminder did not answer"
kill -CONT $program_pid
echo "ok: a second start against a stopped reminder says so in a box and the log, and ends with status 1"

# --- start at login from the tray menu ---
entry="$work/config/autostart/zelmora.desktop"
# 开机自动启动, then 新任务提示音, then 退出
choose_from_bottom 3 test -f "$entry" || fail "the menu did not write $entry"
exec_line=$(grep '^Exec=' "$entry")
[ "$exec_line" = "Exec=\"$(realpath "$program")\" --minimized --start" ] || fail "the entry runs: $exec_line"
import -window root "$out_dir/daily-use-desktop.png"
choose_from_bottom 3 test ! -f "$entry" || fail "the menu did not remove $entry"
echo "ok: start at login switched on and off from the tray menu"

# --- today's tasks: the submenu shows a task's popup again, on its page ---
popup_hidden() { ! popup_viewable; }
page_requests() { grep 'action=show' "$work/requests.log" 2>/dev/null; }
has_page_requests() { [ "$(page_requests | wc -l)" -ge "$1" ]; }
wait_until 600 popup_hidden || fail "the first task's popup did not close after its close time"
shown=$(page_requests | wc -l)
[ "$shown" -ge 1 ] || fail "the first task's page was never asked for"
open_tray_menu
for ((i = 0; i < 4; i++)); do xdotool key Up; done # 今日任务, above 开机自动启动, 新任务提示音 and 退出
xdotool key Right
wait_until 100 menus_open 2 || fail "the 今日任务 submenu did not open"
import -window root "$out_dir/daily-use-todays-tasks.png"
xdotool key Return
wait_until 100 popup_viewable || fail "choosing the task in 今日任务 did not show its popup again"
wait_until 100 has_page_requests $((shown + 1)) || fail "the chosen task's page was not asked for again"
[ "$(page_requests | tail -n1)" = "$(page_requests | head -n1)" ] ||
  fail "a page other than the task's own: $(page_requests | tail -n1)"
echo "ok: 今日任务 lists the first task; choosing it shows its popup again on its page"

# --- the menu ends the program ---
choose_from_bottom 1 bash -c "! kill -0 $program_pid 2>/dev/null" || fail "退出 did not end the program"
grep -q ' exit$' "$log" || fail "the log does not tell the exit"
echo "ok: 退出 ends the program"

# --- a closed port: the log tells why polls fail ---
kill $server_pid
wait $server_pid 2>/dev/null
ZELMORA_TEST_TASK_SERVER="$address" "$program" --minimized --start >>"$work/program.out" 2>&1 &
track $!
wait_until 100 grep -q 'poll failed: Socket Error # 10061 Connection refused' "$log" ||
  fail "the log does not hold the failure of a poll against a closed port"
echo "ok: the log tells why polls fail: $(grep -m1 'poll failed' "$log" | cut -d' ' -f3-)"
echo PASS
