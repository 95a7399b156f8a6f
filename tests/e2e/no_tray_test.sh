#!/bin/bash
# On a desktop without a tray (icewm with its tray switched off), minimising
# must not strand the program: the main window stays iconified with a task-bar
# entry, can be restored from there, and is off the task bar again once shown.
# Started with --minimized, it starts that way: iconified, with its entry. With
# a tray host (trayer) that is killed while the window is in its tray, the
# window comes back iconified with its entry, and the icon docks again in the
# next tray host.
# Run it through tests/support/run_on_virtual_desktop.sh --no-tray.
# Usage: no_tray_test.sh PROGRAM
set -u
program=$1
. "$(dirname "$0")/../support/virtual_desktop.sh"
caption='Zelmora任务提醒器1.62'

require_tools xdotool xprop xwininfo trayer
[ -n "${DISPLAY:-}" ] || { echo "run me through run_on_virtual_desktop.sh --no-tray"; exit 2; }
fail() {
  echo "FAIL: $*"
  exit 1
}
mkdir -p "$vd_work/config"
env HOME="$vd_work" XDG_CONFIG_HOME="$vd_work/config" XDG_RUNTIME_DIR="$vd_work" \
  "$program" >"$vd_work/program.log" 2>&1 &
program_pid=$!
track $program_pid
window=
found() {
  window=$(find_window "$caption")
  [ -n "$window" ] && xwininfo -id "$window" | grep -q IsViewable
}
wait_until 100 found || fail "main window did not appear: $(cat "$vd_work/program.log")"
sleep 0.3

listed() { xprop -root _NET_CLIENT_LIST | grep -q "$(printf '0x%x' "$window")"; }
state() { xprop -id "$window" _NET_WM_STATE; }
iconified() { xprop -id "$window" WM_STATE | grep -q 'window state: Iconic'; }
on_taskbar() { ! state | grep -q _NET_WM_STATE_SKIP_TASKBAR; }
off_taskbar() { state | grep -q _NET_WM_STATE_SKIP_TASKBAR; }

off_taskbar || fail "the shown window asks for a task-bar button: $(state)"
xdotool windowminimize "$window"
wait_until 50 iconified || fail "the window was not minimised"
wait_until 50 on_taskbar || fail "minimised without a tray, the window has no task-bar entry: $(state)"
sleep 0.5
listed || fail "the window manager no longer lists the window"
iconified || fail "the window did not stay iconified"
echo "ok: minimised, the window stays iconified with a task-bar entry"

xdotool windowactivate "$window"
wait_until 50 bash -c "xwininfo -id $window | grep -q IsViewable" || fail "the window could not be restored"
wait_until 50 off_taskbar || fail "restored, the window keeps its task-bar entry: $(state)"
echo "ok: restored from the task bar, and off it again"

kill $program_pid
wait $program_pid 2>/dev/null
env HOME="$vd_work" XDG_CONFIG_HOME="$vd_work/config" XDG_RUNTIME_DIR="$vd_work" \
  "$program" --minimized >"$vd_work/program.log" 2>&1 &
program_pid=$!
track $program_pid
window=
exists() {
  window=$(find_window "$caption")
  [ -n "$window" ] && xprop -id "$window" WM_STATE | grep -q 'window state'
}
wait_until 100 exists || fail "started with --minimized, the main window did not come: $(cat "$vd_work/program.log")"
sleep 0.5
iconified || fail "started with --minimized, the window is not iconified: $(xprop -id "$window" WM_STATE)"
on_taskbar || fail "started with --minimized, the window has no task-bar entry: $(state)"
xdotool windowactivate "$window"
wait_until 50 bash -c "xwininfo -id $window | grep -q IsViewable" || fail "the window could not be restored"
wait_until 50 off_taskbar || fail "restored, the window keeps its task-bar entry: $(state)"
echo "ok: --minimized starts iconified with a task-bar entry, and leaves it once restored"

# --- a tray host that goes away while the window is in its tray ---
kill $program_pid
wait $program_pid 2>/dev/null
start_tray_host() {
  trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
  tray_pid=$!
  track $tray_pid
  wait_until 50 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null && xdotool search --classname '^trayer$' >/dev/null"
}
tray_icon_shown() {
  local id w h
  for id in $(xdotool search --onlyvisible --classname 'zelmora' 2>/dev/null); do
    read -r w h < <(xwininfo -id "$id" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w, h}')
    [ "$w" -le 32 ] && [ "$h" -le 32 ] && return 0
  done
  return 1
}
start_tray_host
env HOME="$vd_work" XDG_CONFIG_HOME="$vd_work/config" XDG_RUNTIME_DIR="$vd_work" \
  "$program" >"$vd_work/program.log" 2>&1 &
track $!
window=
wait_until 100 found || fail "main window did not appear: $(cat "$vd_work/program.log")"
wait_until 100 tray_icon_shown || fail "no icon in trayer's tray"
sleep 0.3
xdotool windowminimize "$window"
unlisted() { ! listed; }
wait_until 50 unlisted || fail "minimised with a tray, the window is still there"
kill $tray_pid
wait $tray_pid 2>/dev/null
wait_until 50 listed || fail "the tray host went, and the window in its tray did not come back"
wait_until 50 iconified || fail "the window came back, but not minimised"
wait_until 50 on_taskbar || fail "the window came back without a task-bar entry: $(state)"
echo "ok: the tray host killed, the window in its tray comes back iconified with a task-bar entry"

start_tray_host
wait_until 100 tray_icon_shown || fail "the icon did not dock in the new tray host"
xdotool windowactivate "$window"
wait_until 50 bash -c "xwininfo -id $window | grep -q IsViewable" || fail "the window could not be restored"
wait_until 50 off_taskbar || fail "restored, the window keeps its task-bar entry: $(state)"
echo "ok: a new tray host gets the icon back; the window restores from the task bar and leaves it"
echo PASS
