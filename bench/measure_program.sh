#!/bin/bash
# Measures the whole program on a virtual desktop (Xvfb + icewm) against the
# local task server:
#   - time from start to the main window shown (several runs),
#   - resident memory of all its processes at idle before any popup and after
#     the first popup (the page-view helper and its engine processes included),
#   - CPU time of all its processes over a minute of idle polling.
# Usage: bench/measure_program.sh BUILD_DIR [STARTUP_RUNS]
#   BUILD_DIR holds zelmora-testbuild and tools/taskserver/taskserver.
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" != "--inside" ]; then
  [ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [STARTUP_RUNS]"; exit 2; }
  build=$(cd "$1" && pwd)
  exec "$here/../tests/support/run_on_virtual_desktop.sh" "$0" --inside "$build" "${2:-7}"
fi
build=$2
startup_runs=$3
program=$build/zelmora-testbuild
taskserver=$build/tools/taskserver/taskserver
caption='Zelmora任务提醒器1.62'
popup_caption='Zelmora通知'
poll_seconds=10  # the shortest interval the program accepts
idle_seconds=60
for file in "$program" "$taskserver"; do [ -x "$file" ] || { echo "missing $file"; exit 1; }; done

. "$here/../tests/support/virtual_desktop.sh"
work=$vd_work

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# The program and every process below it.
process_tree() {
  local pid=$1 child
  echo "$pid"
  for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do process_tree "$child"; done
}
# Sum of one /proc/PID/status or smaps_rollup field (kB) over the tree.
sum_kb() {  # sum_kb FILE FIELD PID
  local total=0 pid value
  for pid in $(process_tree "$3"); do
    value=$(awk -v f="$2:" '$1 == f {print $2}' /proc/"$pid"/"$1" 2>/dev/null)
    total=$((total + ${value:-0}))
  done
  echo "$total"
}
memory_line() {  # memory_line LABEL PID
  local processes rss pss main
  processes=$(process_tree "$2" | wc -l)
  rss=$(sum_kb status VmRSS "$2")
  pss=$(sum_kb smaps_rollup Pss "$2")
  main=$(awk '$1 == "VmRSS:" {print $2}' /proc/"$2"/status)
  awk -v label="$1" -v main="$main" -v n="$processes" -v rss="$rss" -v pss="$pss" 'BEGIN {
    printf "%-30s main %6.1f MB | all %d processes: RSS %6.1f MB, PSS %6.1f MB\n", label, main / 1024, n, rss / 1024, pss / 1024 }'
}
# CPU ticks (user + system, including reaped children) over the tree.
cpu_ticks() {
  local total=0 pid fields
  for pid in $(process_tree "$1"); do
    fields=$(sed 's/.*) //' /proc/"$pid"/stat 2>/dev/null) || continue
    total=$((total + $(awk '{print $12 + $13 + $14 + $15}' <<<"$fields")))
  done
  echo "$total"
}
wait_for_window() {  # wait_for_window CAPTION TIMEOUT_MS; polls xwininfo, not xdotool (0.5 s steps)
  local deadline=$(( $(now_ms) + $2 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    xwininfo -name "$1" 2>/dev/null | grep -q 'Map State: IsViewable' && return 0
  done
  return 1
}
start_program() {
  env HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
    ZELMORA_TEST_TASK_SERVER="$address" "$program" >>"$work/program.log" 2>&1 &
  program_pid=$!
  track "$program_pid"
}
stop_program() { kill "$program_pid"; wait "$program_pid" 2>/dev/null; }

"$taskserver" --port 0 --task-every 3600 --note-every 3600 --log "$work/requests.log" >"$work/server.out" 2>&1 &
track $!
wait_until 100 grep -q listening "$work/server.out"
address=$(awk '/listening/ {print $NF; exit}' "$work/server.out")
mkdir -p "$work/config"

echo "== Zelmora on Xvfb + icewm, $(nproc) cores, $(date -u +%Y-%m-%d)"
times=()
for run in $(seq "$startup_runs"); do
  begin=$(now_ms)
  start_program
  wait_for_window "$caption" 10000 || { echo "main window did not appear"; exit 1; }
  times+=($(( $(now_ms) - begin )))
  [ "$run" -lt "$startup_runs" ] && stop_program
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "start to main window shown (ms): median ${sorted[$(( ${#sorted[@]} / 2 ))]}, min ${sorted[0]}, max ${sorted[-1]}  (runs: ${times[*]})"

sleep 5
memory_line "idle, before any popup:" "$program_pid"

window=$(find_window "$caption")
retype_control "$window" edt2 "$poll_seconds"
begin=$(now_ms)
click_control "$window" btn1 # Start: the first poll finds a new task
wait_for_window "$popup_caption" 60000 || { echo "no popup"; exit 1; }
echo "Start to popup in sight (ms): $(( $(now_ms) - begin ))  (first page: cold engine start)"
sleep 3
memory_line "after the first popup:" "$program_pid"

ticks_per_second=$(getconf CLK_TCK)
polls() { grep -c 'action=getnum' "$work/requests.log" 2>/dev/null || echo 0; }
polls_before=$(polls)
before=$(cpu_ticks "$program_pid")
main_ticks() { sed 's/.*) //' /proc/"$program_pid"/stat | awk '{print $12 + $13}'; }
main_before=$(main_ticks)
sleep "$idle_seconds"
after=$(cpu_ticks "$program_pid")
main_after=$(main_ticks)
awk -v all=$((after - before)) -v main=$((main_after - main_before)) -v hz="$ticks_per_second" \
  -v s="$idle_seconds" -v p="$poll_seconds" -v n=$(( $(polls) - polls_before )) 'BEGIN {
  printf "CPU over %d s of polling every %d s (%d polls): all processes %.2f s, main %.2f s (resolution %.2f s)\n",
    s, p, n, all / hz, main / hz, 1 / hz }'

memory_line "after a minute of polling:" "$program_pid"
