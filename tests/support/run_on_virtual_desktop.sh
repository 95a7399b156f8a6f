#!/bin/bash
# Runs a command on a private virtual X display with a window manager that draws
# frames, a task bar and a tray (icewm), then tears it all down.
#   run_on_virtual_desktop.sh [--no-wm | --no-tray] command args...
# Exit code 77 (CTest's "skipped") when Xvfb or icewm is not installed.
set -u
. "$(dirname "$0")/virtual_desktop.sh"

desktop=icewm
case "${1:-}" in
  --no-wm) desktop=none; shift ;;
  --no-tray) desktop=icewm-without-tray; shift ;;
esac
start_x 1280x800
case $desktop in
  icewm) start_icewm ;;
  icewm-without-tray) start_icewm --no-tray ;;
esac
"$@"
exit $?
