# A private X display for running the real program, and the main window's
# controls found by name. Source it from bash:  . tests/support/virtual_desktop.sh
#
#   require_tools TOOL...          exit 77 (CTest's "skipped") unless every tool is installed
#   start_x [WIDTHxHEIGHT]         Xvfb on a display number it picks itself; exports DISPLAY
#   start_icewm [--no-tray]        icewm (frames, task bar, work area, and a tray unless
#                                  --no-tray); returns once it is ready
#   start_trayer                   a bare tray host, without a window manager
#   track PID                      ends PID at exit, before everything started earlier
#   at_exit COMMAND                runs COMMAND at exit, before the tracked processes end
#   wait_until TENTHS COMMAND...   retries COMMAND every 0.1 s; fails after TENTHS tries
#   find_window CAPTION            the id of the first window with exactly that caption
#   control_bounds NAME            "LEFT TOP WIDTH HEIGHT" of main-window control NAME in client
#                                  coordinates, from the layout table in app/main_form_layout.h
#   control_point NAME             "X Y": the middle of that control
#   click_control WINDOW NAME      a left click on it
#   retype_control WINDOW NAME TEXT  replaces the text of an edit box
#
# Everything started here ends, and its scratch directory goes, when the script exits.

vd_source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
vd_work=$(mktemp -d /tmp/zelmora-desktop.XXXXXX)
vd_pids=()
vd_exit_commands=()

track() { vd_pids+=("$1"); }
at_exit() { vd_exit_commands+=("$1"); }

vd_cleanup() {
  local status=$? i
  set +e  # a script's errexit must not cut the cleanup short
  for ((i = ${#vd_exit_commands[@]} - 1; i >= 0; i--)); do eval "${vd_exit_commands[i]}" 2>/dev/null; done
  for ((i = ${#vd_pids[@]} - 1; i >= 0; i--)); do
    kill "${vd_pids[i]}" 2>/dev/null
    wait "${vd_pids[i]}" 2>/dev/null
  done
  rm -rf "$vd_work"
  exit $status
}
trap vd_cleanup EXIT
trap 'exit 143' TERM INT

require_tools() {
  local tool
  for tool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
}

wait_until() {
  local tries=$1
  shift
  for _ in $(seq "$tries"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

start_x() {
  local size=${1:-1280x800}
  require_tools Xvfb
  # Xvfb writes the display number it found free to descriptor 9.
  Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp -noreset 9>"$vd_work/display" >"$vd_work/xvfb.log" 2>&1 &
  track $!
  wait_until 100 test -s "$vd_work/display" || { echo "Xvfb did not start: $(cat "$vd_work/xvfb.log")"; exit 1; }
  export DISPLAY=":$(head -n1 "$vd_work/display")"
  unset WAYLAND_DISPLAY
}

vd_icewm_ready() {
  xprop -root _NET_WORKAREA 2>/dev/null | grep -q '=' &&
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

start_icewm() {
  require_tools icewm xprop
  # A private configuration keeps the user's icewm settings out; captions in
  # Chinese need a CJK font (fonts-wqy-microhei).
  mkdir -p "$vd_work/icewm"
  printf '%s\n' 'TitleFontNameXft="WenQuanYi Micro Hei:size=10"' \
    'NormalTaskBarFontNameXft="WenQuanYi Micro Hei:size=10"' \
    'ActiveTaskBarFontNameXft="WenQuanYi Micro Hei:bold:size=10"' >"$vd_work/icewm/preferences"
  # No notification area: nothing owns the system-tray selection. (TaskBarShowTray is
  # icewm's panel of window icons, not the tray.)
  [ "${1:-}" = --no-tray ] && echo 'TaskBarEnableSystemTray=0' >>"$vd_work/icewm/preferences"
  ICEWM_PRIVCFG="$vd_work/icewm" icewm >"$vd_work/icewm.log" 2>&1 &
  track $!
  wait_until 200 vd_icewm_ready || { echo "icewm did not start: $(cat "$vd_work/icewm.log")"; exit 1; }
  sleep 0.5  # its task bar and tray finish mapping
}

start_trayer() {
  require_tools trayer
  trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
  track $!
  sleep 0.5
}

find_window() {
  # Caption characters that mean something to a regular expression are escaped.
  local pattern
  pattern=$(sed 's/[][\.*^$+?(){}|]/\\&/g' <<<"$1")
  xdotool search --name "^${pattern}\$" 2>/dev/null | head -n1
}

control_bounds() {
  local bounds
  bounds=$(sed -n "s/.*{\"$1\", ControlKind::[A-Za-z]*, {\([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\)}.*/\1 \2 \3 \4/p" \
    "$vd_source_dir/app/main_form_layout.h")
  [ -n "$bounds" ] || { echo "no control named $1 in app/main_form_layout.h" >&2; return 1; }
  echo "$bounds"
}

control_point() {
  local bounds
  bounds=$(control_bounds "$1") || return 1
  awk '{print $1 + int($3 / 2), $2 + int($4 / 2)}' <<<"$bounds"
}

click_control() {
  local x y
  read -r x y < <(control_point "$2") || return 1
  xdotool mousemove --window "$1" "$x" "$y" click 1
  sleep 0.2
}

retype_control() {
  click_control "$1" "$2" || return 1
  xdotool key --window "$1" ctrl+a
  xdotool type --window "$1" "$3"
  sleep 0.2
}
