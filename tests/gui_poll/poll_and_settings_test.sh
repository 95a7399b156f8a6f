#!/bin/bash
# The real program against the local task server, driven like a user would:
# Start sends the exact counter requests, the announcement shows, and the
# settings typed before Start come back after a restart.
# Usage: poll_and_settings_test.sh PROGRAM TASKSERVER OUTPUT_DIR   (exit 77: skipped)
set -u
program=$1
taskserver=$2
out_dir=$3
caption='Zelmora任务提醒器1.62'

for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/requests.log" ] && sed 's/^/  request: /' "$work/requests.log"; exit 1; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

# Ids stay at 1 for the whole test: one new task, one announcement.
"$taskserver" --port 0 --task-every 3600 --note-every 3600 --log "$work/requests.log" >"$work/server.out" &
pids+=($!)
for _ in $(seq 100); do grep -q listening "$work/server.out" 2>/dev/null && break; sleep 0.1; done
address=$(awk '/listening/ {print $NF; exit}' "$work/server.out")
[ -n "$address" ] || fail "task server did not start"

mkdir -p "$work/config" "$out_dir"
program_pid=
window=
start_program() {
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
    ZELMORA_TEST_TASK_SERVER="$address" QTWEBENGINE_DISABLE_SANDBOX=1 "$program" >>"$work/program.log" 2>&1 &
  program_pid=$!
  pids+=("$program_pid")
  window=
  for _ in $(seq 100); do
    window=$(xdotool search --name "^${caption}\$" 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "main window did not appear: $(cat "$work/program.log")"
  sleep 0.3
}
stop_program() { kill "$program_pid"; wait "$program_pid" 2>/dev/null; }
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.2; }
# Replaces an edit box's text (click into it, select all, type).
retype() { click "$1" "$2"; xdotool key --window "$window" ctrl+a; xdotool type --window "$window" "$3"; sleep 0.2; }
requests() { grep -c 'action=getnum' "$work/requests.log" 2>/dev/null || echo 0; }
wait_for_requests() {
  for _ in $(seq 100); do [ "$(requests)" -ge "$1" ] && return 0; sleep 0.1; done
  fail "expected $1 counter requests, saw $(requests)"
}
nth_request() { grep 'action=getnum' "$work/requests.log" | sed -n "${1}p"; }

# --- First run: type settings, Start ---
start_program
retype 60 36 "ZM-e2e-7"   # edt1
retype 148 37 "15"        # edt2
retype 228 37 "12"        # edt3
click 141 220             # btn1, Start
wait_for_requests 1
first=$(nth_request 1)
expected='GET /tx.php?action=getnum&taskid=0&noteid=0&type1=1&type2=1&ip1=1&ip2=1 HTTP/1.1'
[ "$first" = "$expected" ] || fail "first counter request was '$first', expected '$expected'"
echo "ok: first counter request exact"

sleep 1.5   # the worker's announcement reaches the label
import -window "$window" "$out_dir/announcement.png"
colours=$(convert "$out_dir/announcement.png" -crop 233x81+24+88 +repage -format %k info:)
[ "$colours" -gt 2 ] || fail "the announcement box is empty (screenshot $out_dir/announcement.png)"
echo "ok: announcement shown ($colours colours in the box)"

hive="$work/config/zelmora/HKLM.reg"
[ -f "$hive" ] || fail "no settings file after Start"
grep -q '"userid"="ZM-e2e-7"' "$hive" || fail "worker id not saved: $(cat "$hive")"

# Stop, clear one filter, Start again: the next request carries the ids seen.
click 229 220             # btn2, Stop
click 306 136             # chkip2 off
click 141 220             # Start
wait_for_requests 2
second=$(nth_request 2)
expected='GET /tx.php?action=getnum&taskid=0&noteid=0&type1=1&type2=1&ip1=1 HTTP/1.1'
[ "$second" = "$expected" ] || fail "after Stop/Start the request was '$second', expected '$expected'"
echo "ok: Start resets the ids and the cleared filter is left out"
stop_program

# --- Second run: the settings come back; Start saves them again unchanged ---
start_program
import -window "$window" "$out_dir/restored.png"
click 141 220
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
