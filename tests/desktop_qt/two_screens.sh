#!/bin/bash
# Splits the virtual X screen (1280x800) into two monitors of unequal heights,
# 800x600 on the left and 480x800 on the right, then runs the command. Below
# the left monitor lies a corner of the screens' bounding box that no monitor
# shows. Run it through tests/support/run_on_virtual_desktop.sh.
#   two_screens.sh command args...
set -u
command -v xrandr >/dev/null || { echo "SKIP: xrandr is not installed"; exit 77; }
xrandr --setmonitor left 800/200x600/150+0+0 screen >/dev/null &&
  xrandr --setmonitor right 480/120x800/200+800+0 none >/dev/null || { echo "xrandr could not set the monitors"; exit 1; }
exec "$@"
