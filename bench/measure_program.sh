#!/bin/bash
# Measures the whole program on a virtual desktop (Xvfb + icewm) against the
# local task server, in one run:
#   - the floor: a bare Qt Widgets window with a tray icon (bench/qt_floor), idle,
#   - time from start to the main window shown (several runs), each run beside a
#     start of the floor to its window shown, so that both meet the same load:
#     the pair of medians and their ratio,
#   - memory at idle before any popup, while the popup shows its page, and after
#     the popup closed and the page view was given back,
#   - a new task with the page view cold and warm, and View after the page view
#     was given back: time until the page is in sight (for a new task, from the
#     counter reply, which includes up to a second of the new-task watcher's
#     tick, and from the moment the watcher took the task, from the log),
#   - CPU time over a minute of idle polling,
# then checks the goals. Memory is resident (RSS) and proportional (PSS, shared
# pages split among the processes that map them: other programs on the machine
# that map the same libraries lower it) over all the program's processes.
# Usage: bench/measure_program.sh BUILD_DIR [STARTUP_RUNS]
#   BUILD_DIR holds zelmora-testbuild, zelmora-pageview and tools/taskserver/taskserver.
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" != "--inside" ]; then
  [ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [STARTUP_RUNS]"; exit 2; }
  build=$(cd "$1" && pwd)
  cmake -S "$here/qt_floor" -B "$build/bench_qt_floor" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build "$build/bench_qt_floor" >/dev/null || { echo "could not build bench/qt_floor"; exit 1; }
  exec "$here/../tests/support/run_on_virtual_desktop.sh" "$0" --inside "$build" "${2:-7}"
fi
build=$2
startup_runs=$3
program=$build/zelmora-testbuild
taskserver=$build/tools/taskserver/taskserver
floor=$build/bench_qt_floor/qt_floor
caption='Zelmora任务提醒器1.62'
popup_caption='Zelmora通知'
poll_seconds=10  # the shortest interval the program accepts
close_seconds=5
release_seconds=60  # kPageViewReleaseDelay
idle_seconds=60
for file in "$program" "$taskserver" "$floor"; do [ -x "$file" ] || { echo "missing $file"; exit 1; }; done

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
# Prints one line and leaves the figures (kB) in main_kb, rss_kb, pss_kb.
memory_line() {  # memory_line LABEL PID
  local processes
  processes=$(process_tree "$2" | wc -l)
  rss_kb=$(sum_kb status VmRSS "$2")
  pss_kb=$(sum_kb smaps_rollup Pss "$2")
  main_kb=$(awk '$1 == "VmRSS:" {print $2}' /proc/"$2"/status)
  awk -v label="$1" -v main="$main_kb" -v n="$processes" -v rss="$rss_kb" -v pss="$pss_kb" 'BEGIN {
    printf "%-34s main RSS %6.1f MB | all %d processes: RSS %6.1f MB, PSS %6.1f MB\n", label, main / 1024, n, rss / 1024, pss / 1024 }'
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
viewable() { xwininfo -name "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
wait_for_window() {  # wait_for_window CAPTION TIMEOUT_MS; polls xwininfo, not xdotool (0.5 s steps)
  local deadline=$(( $(now_ms) + $2 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do viewable "$1" && return 0; done
  return 1
}
polls() {
  local count
  count=$(grep -c 'action=getnum' "$work/requests.log" 2>/dev/null)
  echo "${count:-0}"
}
helper_running() { process_tree "$program_pid" | tail -n +2 | grep -q .; }
# Milliseconds from the next counter reply to the popup coming into sight, and
# from the watcher taking the task (its "new task" line in the log).
time_new_task() {  # time_new_task ACTION...
  local before replied= deadline in_sight taken
  before=$(polls)
  "$@"
  deadline=$(( $(now_ms) + 60000 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    [ -z "$replied" ] && [ "$(polls)" -gt "$before" ] && replied=$(now_ms)
    if [ -n "$replied" ] && viewable "$popup_caption"; then
      in_sight=$(now_ms)
      taken=$(grep ' new task ' "$work/state/zelmora/zelmora.log" | tail -n1 | cut -c1-23)
      echo "$(( in_sight - replied )) $(( in_sight - $(date -d "$taken" +%s%3N) ))"
      return 0
    fi
  done
  return 1
}
# The task page is white; the popup without a page shows the window colour.
page_in_sight() {
  local x y w h
  read -r x y w h < <(xwininfo -name "$popup_caption" | awk '/Absolute upper-left X/ {x=$NF}
    /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
  import -window root -crop "1x1+$((x + w / 2))+$((y + h - 10))" txt:- 2>/dev/null | grep -q '#FFFFFF\|white'
}
start_program() {
  env HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work" \
    ZELMORA_TEST_TASK_SERVER="$address" "$program" >>"$work/program.log" 2>&1 &
  program_pid=$!
  track "$program_pid"
}
stop_program() { kill "$program_pid"; wait "$program_pid" 2>/dev/null; }
verdict() {  # verdict MET TEXT
  if [ "$1" = 1 ]; then echo "  met:    $2"; else echo "  MISSED: $2"; fi
}
mb() { awk -v kb="$1" 'BEGIN {printf "%.1f", kb / 1024}'; }

"$taskserver" --port 0 --task-every 3600 --note-every 3600 --log "$work/requests.log" >"$work/server.out" 2>&1 &
track $!
wait_until 100 grep -q listening "$work/server.out"
address=$(awk '/listening/ {print $NF; exit}' "$work/server.out")
mkdir -p "$work/config"

echo "== Zelmora on Xvfb + icewm, $(nproc) cores, $(date -u +%Y-%m-%d)"

# The floor twice: without any text, and with one line of the Chinese text the
# reminder shows (a window with text needs its fonts; the goal is measured
# against that one).
floor_line() {  # floor_line LABEL [TEXT]
  "$floor" "${@:2}" >"$work/floor.log" 2>&1 &
  floor_pid=$!
  track "$floor_pid"
  wait_for_window qt_floor 10000 || { echo "the floor program's window did not appear"; exit 1; }
  sleep 5
  memory_line "$1" "$floor_pid"
  kill "$floor_pid"
  wait "$floor_pid" 2>/dev/null
}
floor_line "floor, bare Qt window + tray:"
floor_line "floor, with one Chinese label:" "$caption"
floor_main_kb=$main_kb

# Start to window shown, the floor (bare, and with the Chinese label the
# reminder's fonts need) and the program in turns.
floor_shown_ms() {  # floor_shown_ms [TEXT]
  local begin pid shown
  begin=$(now_ms)
  "$floor" "$@" >"$work/floor.log" 2>&1 &
  pid=$!
  track "$pid"
  wait_for_window qt_floor 10000 || { echo "the floor program's window did not appear" >&2; exit 1; }
  shown=$(( $(now_ms) - begin ))
  kill "$pid"
  wait "$pid" 2>/dev/null
  echo "$shown"
}
floor_times=()
label_times=()
times=()
for run in $(seq "$startup_runs"); do
  floor_times+=($(floor_shown_ms)) || exit 1
  begin=$(now_ms)
  start_program
  wait_for_window "$caption" 10000 || { echo "main window did not appear"; exit 1; }
  times+=($(( $(now_ms) - begin )))
  [ "$run" -lt "$startup_runs" ] && stop_program
  label_times+=($(floor_shown_ms "$caption")) || exit 1
done
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print v[int(NR / 2) + 1]}'; }
startup_ms=$(median "${times[@]}")
floor_ms=$(median "${floor_times[@]}")
label_ms=$(median "${label_times[@]}")
startup_ratio=$(awk -v p="$startup_ms" -v f="$floor_ms" 'BEGIN {printf "%.2f", p / f}')
echo "start to window shown (ms, median of $startup_runs in turns): program $startup_ms, floor $floor_ms: ratio $startup_ratio"
echo "  (floor with one Chinese label $label_ms ms: ratio $(awk -v p="$startup_ms" -v f="$label_ms" 'BEGIN {printf "%.2f", p / f}');" \
  "runs: program ${times[*]} | floor ${floor_times[*]} | label ${label_times[*]})"

sleep 5
memory_line "idle, before any popup:" "$program_pid"
idle_main_kb=$main_kb
idle_pss_kb=$pss_kb

window=$(find_window "$caption")
retype_control "$window" edt2 "$poll_seconds"
retype_control "$window" edt3 "$close_seconds"
# Start: the first counter reply brings a new task. The watcher looks once a
# second, so up to a second of each figure is its tick.
read -r cold_ms cold_taken_ms < <(time_new_task click_control "$window" btn1) || { echo "no popup"; exit 1; }
echo "a new task, page view cold: in sight ${cold_ms} ms after its counter reply (${cold_taken_ms} ms after the watcher took it)"
sleep 2
memory_line "while the popup shows:" "$program_pid"
showing_pss_kb=$pss_kb

# Stop and Start again while the page view is still there: the next counter
# reply is a new task once more.
wait_until 300 bash -c "! xwininfo -name '$popup_caption' | grep -q IsViewable"
stop_and_start() {
  click_control "$window" btn2
  click_control "$window" btn1
}
read -r warm_ms warm_taken_ms < <(time_new_task stop_and_start) ||
  { echo "no popup for the second task"; exit 1; }
echo "a new task, page view warm: in sight ${warm_ms} ms after its counter reply (${warm_taken_ms} ms after the watcher took it)"
wait_until 300 bash -c "! xwininfo -name '$popup_caption' | grep -q IsViewable"
hidden_at=$(now_ms)
deadline=$(( hidden_at + (release_seconds + 30) * 1000 ))
while helper_running && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.2; done
helper_running && { echo "the page view was not given back"; exit 1; }
echo "page view given back $(( ($(now_ms) - hidden_at) / 1000 )) s after the popup hid"
sleep 2
memory_line "after the popup closed:" "$program_pid"
closed_pss_kb=$pss_kb

ticks_per_second=$(getconf CLK_TCK)
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

# View brings the popup back at once, its page as soon as the page view has
# started again.
begin=$(now_ms)
click_control "$window" btn3
view_ms=
while [ $(( $(now_ms) - begin )) -lt 30000 ]; do
  if viewable "$popup_caption" && page_in_sight; then view_ms=$(( $(now_ms) - begin )); break; fi
done
[ -n "$view_ms" ] || { echo "View did not bring the page back"; exit 1; }
echo "View after the page view was given back: page in sight ${view_ms} ms after the click"

echo "== goals"
verdict "$(awk -v r="$startup_ratio" 'BEGIN {print (r <= 1.25) ? 1 : 0}')" "start to main window shown at most 1.25 times the floor's: $startup_ms ms against $floor_ms ms, ratio $startup_ratio"
verdict $(( closed_pss_kb - idle_pss_kb <= 2 * 1024 )) "after the popup closed, all processes within 2 MB PSS of idle: $(mb $(( closed_pss_kb - idle_pss_kb ))) MB more"
verdict $(( idle_main_kb - floor_main_kb <= 5 * 1024 )) "idle within 5 MB RSS of the Qt window with one Chinese label: $(mb $(( idle_main_kb - floor_main_kb ))) MB more"
verdict $(( showing_pss_kb < 150 * 1024 )) "while a page shows, under 150 MB PSS: $(mb "$showing_pss_kb") MB"
verdict $(( cold_ms <= 1000 )) "a new task with the page view cold in sight within 1.0 s of its counter reply: ${cold_ms} ms (${cold_taken_ms} ms after the watcher took it)"
verdict $(( warm_ms <= 200 )) "a new task with the page view warm in sight within 0.2 s of its counter reply: ${warm_ms} ms (${warm_taken_ms} ms after the watcher took it)"
verdict $(( view_ms <= 1500 )) "View after the page view was given back within 1.5 s: ${view_ms} ms"
