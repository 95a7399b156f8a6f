#!/bin/bash
# The real program against the local task server, driven like a user would:
# Start sends the exact counter requests, the announcement shows, and the
# settings typed before Start come back after a restart.
# Usage: poll_and_settings_test.sh PROGRAM TASKSERVER OUTPUT_DIR   (exit 77: skipped)
set -u
program=$1
taskserver=$2
out_dir=$3
. "$(dirname "$0")/../support/virtual_desktop.sh"
caption='Zelmora任务提醒器1.62'

require_tools Xvfb xdotool import convert
fail() {
  echo "FAIL: $*"
  [ -f "$vd_work/requests.log" ] && sed 's/^/  request: /' "$vd_work/requests.log"
  exit 1
}

start_x 1024x768
# Ids stay at 1 for the whole test: one new task, one announcement.
"$taskserver" --port 0 --task-every 3600 --note-every 3600 --log "$vd_work/requests.log" >"$vd_work/server.out" &
track $!
wait_until 100 grep -q listening "$vd_work/server.out" || fail "task server did not start"
address=$(awk '/listening/ {print $NF; exit}' "$vd_work/server.out")

mkdir -p "$vd_work/config" "$out_dir"
program_pid=
window=
main_window_found() {
  window=$(find_window "$caption")
  [ -n "$window" ]
}
start_program() {
  env -u QT_QPA_PLATFORM HOME="$vd_work" XDG_CONFIG_HOME="$vd_work/config" XDG_RUNTIME_DIR="$vd_work" \
    ZELMORA_TEST_TASK_SERVER="$address" "$program" >>"$vd_work/program.log" 2>&1 &
  program_pid=$!
  track "$program_pid"
  wait_until 100 main_window_found || fail "main window did not appear: $(cat "$vd_work/program.log")"
  sleep 0.3
}
stop_program() {
  kill "$program_pid"
  wait "$program_pid" 2>/dev/null
}
requests() { grep -c 'action=getnum' "$vd_work/requests.log" 2>/dev/null || echo 0; }
has_requests() { [ "$(requests)" -ge "$1" ]; }
wait_for_requests() { wait_until 100 has_requests "$1" || fail "expected $1 counter requests, saw $(requests)"; }
nth_request() { grep 'action=getnum' "$vd_work/requests.log" | sed -n "${1}p"; }

# --- First run: type settings, Start ---
start_program
retype_control "$window" edt1 "ZM-e2e-7"
retype_control "$window" edt2 "15"
retype_control "$window" edt3 "12"
click_control "$window" btn1
wait_for_requests 1
first=$(nth_request 1)
expected='GET /tx.php?action=getnum&taskid=0&noteid=0&type1=1&type2=1&ip1=1&ip2=1 HTTP/1.1'
[ "$first" = "$expected" ] || fail "first counter request was '$first', expected '$expected'"
echo "ok: first counter request exact"

# The worker's announcement reaches the label when it does.
read -r left top width height < <(control_bounds lbl1)
announcement_shown() {
  import -window "$window" "$out_dir/announcement.png"
  colours=$(convert "$out_dir/announcement.png" -crop "${width}x${height}+${left}+${top}" +repage -format %k info:)
  [ "$colours" -gt 2 ]
}
wait_until 100 announcement_shown || fail "the announcement box is empty (screenshot $out_dir/announcement.png)"
echo "ok: announcement shown ($colours colours in the box)"

hive="$vd_work/config/zelmora/HKLM.reg"
[ -f "$hive" ] || fail "no settings file after Start"
grep -q '"userid"="ZM-e2e-7"' "$hive" || fail "worker id not saved: $(cat "$hive")"

# Stop, clear one filter, Start again: the next request carries the ids seen.
click_control "$window" btn2
click_control "$window" chkip2
click_control "$window" btn1
wait_for_requests 2
second=$(nth_request 2)
expected='GET /tx.php?action=getnum&taskid=0&noteid=0&type1=1&type2=1&ip1=1 HTTP/1.1'
[ "$second" = "$expected" ] || fail "after Stop/Start the request was '$second', expected '$expected'"
echo "ok: Start resets the ids and the cleared filter is left out"
stop_program

# --- Second run: the settings come back; Start saves them again unchanged ---
start_program
import -window "$window" "$out_dir/restored.png"
click_control "$window" btn1
wait_for_requests 3
third=$(nth_request 3)
[ "$third" = "$expected" ] || fail "after the restart the request was '$third', expected '$expected'"
grep -q '"userid"="ZM-e2e-7"' "$hive" || fail "worker id not restored: $(cat "$hive")"
grep -q '"interval"="15"' "$hive" || fail "interval not restored: $(cat "$hive")"
grep -q '"closetime"="12"' "$hive" || fail "close time not restored: $(cat "$hive")"
grep -q '"ip2"="0"' "$hive" || fail "filter not restored: $(cat "$hive")"
echo "ok: settings restored after a restart"
stop_program
echo "PASS"
