#!/bin/bash
# Runs a command on a private virtual X display with a window manager that draws
# frames, a task bar and a notification area (icewm), then tears it all down.
#   run_on_virtual_desktop.sh [--no-wm] command args...
# Exit code 77 (CTest's skip code) when Xvfb or icewm is not installed.
set -u

with_wm=1
if [ "${1:-}" = "--no-wm" ]; then with_wm=0; shift; fi

command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed"; exit 77; }
if [ $with_wm = 1 ]; then
  command -v icewm >/dev/null || { echo "SKIP: icewm is not installed"; exit 77; }
  command -v xprop >/dev/null || { echo "SKIP: xprop is not installed"; exit 77; }
fi

work=$(mktemp -d /tmp/zelmora-desktop.XXXXXX)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# Xvfb picks a free display number itself and writes it to fd 9.
exec 9>"$work/display"
Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 9>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

if [ $with_wm = 1 ]; then
  # A private configuration directory keeps the user's icewm settings out.
  mkdir -p "$work/icewm"
  # Captions in Chinese need a CJK font (fonts-wqy-microhei).
  printf '%s\n' 'TitleFontNameXft="WenQuanYi Micro Hei:size=10"' \
    'NormalTaskBarFontNameXft="WenQuanYi Micro Hei:size=10"' \
    'ActiveTaskBarFontNameXft="WenQuanYi Micro Hei:bold:size=10"' >"$work/icewm/preferences"
  ICEWM_PRIVCFG="$work/icewm" icewm >"$work/icewm.log" 2>&1 &
  pids+=($!)
  # Ready when it publishes the work area and has taken the tray selection.
  for _ in $(seq 200); do
    xprop -root _NET_WORKAREA 2>/dev/null | grep -q '=' &&
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
  sleep 0.5  # its task bar and tray finish mapping
fi

"$@"
exit $?
