#!/usr/bin/env bash
# Builds the reminder and starts it against a local stand-in for the task server,
# so a new announcement and a new task arrive within seconds.
#   ./run.sh           on a desktop (X11 or Wayland)
#   ./run.sh --xvfb    without a display: runs it headless for a while, presses
#                      Start, and saves a screenshot to build/run-screenshot.png
set -euo pipefail
cd "$(dirname "$0")"

headless=false
[ "${1:-}" = "--xvfb" ] && headless=true
if ! $headless && [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display here (DISPLAY and WAYLAND_DISPLAY are empty), so the reminder's window cannot open."
  echo "Run it headless instead, with a screenshot after it has received a task:"
  echo "  ./run.sh --xvfb"
  exit 1
fi

.ci/install-packages
cmake --preset default >/dev/null
cmake --build --preset default --target zelmora-testbuild zelmora-pageview taskserver

build=build/default
server_log=$(mktemp)
coproc SERVER { exec "$build/tools/taskserver/taskserver" --port 0 --task-every 15 --note-every 8 --log "$server_log"; }
read -r -u "${SERVER[0]}" listening
address=${listening##* }
echo "Local task server at $address (requests logged in $server_log)"
. tests/support/virtual_desktop.sh
track "$SERVER_PID"

export ZELMORA_TEST_TASK_SERVER=$address

if ! $headless; then
  "$build/zelmora-testbuild"
  exit 0
fi

start_x 1280x800
start_trayer
# A reminder of its own: one already running on the user's desktop would
# otherwise take this start as a request for its window.
export XDG_RUNTIME_DIR=$vd_work
"$build/zelmora-testbuild" &
app=$!
track $app
window=$(xdotool search --sync --name '^Zelmora任务提醒器1.62$' | head -n 1)
# A person takes a moment before pressing Start; the popup's start-up auto-close
# tick (one second after start) would otherwise hide the very first notice.
sleep 1.5
click_control "$window" btn1
echo "Started; waiting for the first task to pop up..."
for _ in $(seq 120); do
  xdotool search --onlyvisible --name '^Zelmora通知$' >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 2   # let the page paint
import -window root build/run-screenshot.png
echo "Screenshot saved to build/run-screenshot.png"
kill "$app"
