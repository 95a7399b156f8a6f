#!/usr/bin/env bash
# Smoke test of the Windows program under Wine, against the local task server.
#
#   tests/desktop_win32/smoke.sh MINGW_BUILD_DIR [TASKSERVER] [OUTPUT_DIR]
#   tests/desktop_win32/smoke.sh --installed WINEPREFIX PORT [TASKSERVER] [OUTPUT_DIR]
#
# MINGW_BUILD_DIR holds zelmora-testbuild.exe (the program that takes the task
# server from ZELMORA_TEST_TASK_SERVER), run in a fresh 64-bit prefix. With
# --installed, the program is zelmora.exe as the installer left it in WINEPREFIX
# (%LOCALAPPDATA%\Programs\Zelmora); it asks the task server fixed at its build,
# so that must be 127.0.0.1:PORT. TASKSERVER is tools/taskserver of a Linux build
# (default: build/default). Wine's virtual desktop under Xvfb; screenshots, the
# server's request log and the registry export are left in OUTPUT_DIR (default:
# MINGW_BUILD_DIR/wine-smoke, or wine-smoke beside WINEPREFIX). Exit status 0
# when every check passed.
set -euo pipefail

if [[ $# -lt 1 || ($1 == --installed && $# -lt 3) ]]; then
  sed -n '2,15p' "$0" >&2
  exit 2
fi
here=$(dirname "$(realpath "$0")")
source_dir=$(realpath "$here/../..")
. "$source_dir/tests/support/virtual_desktop.sh"
. "$source_dir/tests/support/checks.sh"
work=$vd_work
if [[ $1 == --installed ]]; then
  prefix=$(realpath "$2")
  port=$3
  shift 3
  build=
  out=$(realpath -m "${2:-$prefix/../wine-smoke}")
else
  prefix=$work/prefix
  port=0
  build=$(realpath "$1")
  shift
  out=$(realpath -m "${2:-$build/wine-smoke}")
fi
taskserver=$(realpath -m "${1:-$source_dir/build/default/tools/taskserver/taskserver}")
[[ -x $taskserver ]] || { echo "missing: $taskserver" >&2; exit 2; }
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.log "$out"/*.reg.txt

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all LANG=C.UTF-8
# No Mono or Gecko installer dialogs; the page view then has no HTML engine.
export WINEDLLOVERRIDES="mscoree,mshtml="
screen_width=1280
screen_height=800

program_pid=
at_exit 'wineserver -k >/dev/null 2>&1'

# Runs COMMAND until it succeeds or SECONDS pass.
wait_for() {
  local seconds=$1
  shift
  wait_until $((seconds * 10)) "$@"
}

# ---- display, prefix, server, program ----
echo "# work directory $work"
start_x "${screen_width}x${screen_height}"

if [[ -n $build ]]; then
  wineboot -i >"$work/wineboot.log" 2>&1
  wineserver -w
fi
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${screen_width}x${screen_height}" /f >/dev/null 2>&1
for face in "MS Sans Serif" Tahoma; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
done
fonts=$WINEPREFIX/drive_c/windows/Fonts
cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
ln -sf /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts/"
wineserver -w

# The probe sees windows inside the prefix, where X tools see one desktop window.
x86_64-w64-mingw32-g++ -municode -static -s -O2 -o "$work/probe.exe" "$here/probe.cpp" -lshell32
probe() { wine "$work/probe.exe" "$@" 2>/dev/null | tr -d '\r'; }
field() { # field NAME LINE
  sed -n "s/\(^\|.* \)$1=\([^ ]*\).*/\2/p" <<<"$2"
}

if [[ -n $build ]]; then
  exe=$build/zelmora-testbuild.exe
  program=$exe
else
  # Started by its Windows path, as the Start menu starts it.
  program="$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')\Programs\Zelmora\zelmora.exe"
  exe=$(winepath -u "$program")
fi
[[ -f $exe ]] || { echo "missing: $exe" >&2; exit 2; }

# ---- the desktop's own tests, when the build has them ----
unit_tests=$build/tests/desktop_win32/win32_desktop_test.exe
if [[ -n $build && -f $unit_tests ]]; then
  if timeout 300 wine "$unit_tests" --gtest_brief=1 >"$out/win32_desktop_test.log" 2>&1; then
    pass "Win32 desktop tests: $(tr -d '\r' <"$out/win32_desktop_test.log" | grep -E '^\[  (PASSED|SKIPPED) ' | tr '\n' ' ')"
  else
    fail "Win32 desktop tests (see $out/win32_desktop_test.log)"
  fi
fi

# One task and one announcement, whatever the time the steps before Start take.
"$taskserver" --port "$port" --task-every 3600 --note-every 3600 --log "$out/taskserver.log" >"$work/taskserver.out" 2>&1 &
track $!
wait_for 10 grep -q '^listening on ' "$work/taskserver.out" || { echo "taskserver did not start" >&2; exit 1; }
server=$(sed -n 's/^listening on \(127\.0\.0\.1:[0-9]*\)$/\1/p' "$work/taskserver.out")
echo "# task server at $server, display $DISPLAY"

main_caption="Zelmora任务提醒器1.62"
application_title="Zelmora任务提醒器"
popup_caption="Zelmora通知"

# ---- the command line: --version answers in a message box ----
wine "$program" --version >/dev/null 2>&1 &
version_pid=$!
version_box() { probe dialog "$application_title" >"$work/version.txt"; }
check "--version shows a message box" wait_for 30 version_box
check "... saying \"zelmora 1.62\"" test "$(cat "$work/version.txt")" = "zelmora 1.62"
version_status=0
wait $version_pid || version_status=$?
check "... and ends with status 0" test $version_status -eq 0

ZELMORA_TEST_TASK_SERVER=$server wine "$program" >"$work/program.log" 2>&1 &
program_pid=$!
main_visible() { [[ $(field visible "$(probe find "$main_caption")") == 1 ]]; }
if ! wait_for 60 main_visible; then
  fail "main window \"$main_caption\" appears"
  probe list
  exit 1
fi
pass "main window \"$main_caption\" appears"

# ---- the main window ----
main=$(probe find "$main_caption")
read -r client_left client_top client_right client_bottom <<<"$(field client "$main" | tr ',' ' ')"
check "client area is 378 x 265" test "$((client_right - client_left))x$((client_bottom - client_top))" = 378x265
style=$(field style "$main")
check "caption, system menu and minimise box; no maximise box, fixed border" \
  test $((style & 0x00CA0000)) -eq $((0x00CA0000)) -a $((style & 0x00050000)) -eq 0
read -r window_left window_top window_right window_bottom <<<"$(field window "$main" | tr ',' ' ')"
check "centred on the screen" test $((window_left + window_right)) -eq $screen_width \
  -o $((window_left + window_right)) -eq $((screen_width - 1))
application=$(probe find "$application_title")
check "off the task bar: owned by the hidden tool window \"$application_title\"" \
  test "$(field owner "$main")" = "$(field hwnd "$application")" -a "$(field exstyle "$application")" = 0x00000080 \
  -a "$(field visible "$application")" = 0

sleep 1
idle_rss=$(awk '/^VmRSS/ {print $2}' "/proc/$program_pid/status")
idle_pss=$(awk '/^Pss:/ {print $2}' "/proc/$program_pid/smaps_rollup")
echo "# idle memory under Wine: VmRSS ${idle_rss} kB, PSS ${idle_pss} kB"

# ---- keyboard: Tab walks the controls in their tab order, round to the first ----
# Edit boxes show no caption to other processes: they are named by class.
focus_caption() {
  local focus caption
  focus=$(probe focus)
  caption=$(field caption "$focus")
  if [[ -n $caption ]]; then echo "$caption"; else field class "$focus"; fi
}
check "the first control in the tab order has the focus" test "$(focus_caption)" = "全自动"
for expected in 半自动 换IP 不换IP 开始 停止 查看提示 Edit Edit Edit 全自动; do
  xdotool key Tab
  wait_for 5 eval '[[ $(focus_caption) == "$expected" ]]' || true # a busy machine takes its time
  focused=$(focus_caption)
  check "Tab moves on to \"$expected\" (focus on \"$focused\")" test "$focused" = "$expected"
done

# ---- the tray icon: our blue in the task bar's notification area ----
taskbar=$(probe list | grep 'class=Shell_TrayWnd' | head -n1)
read -r bar_left bar_top bar_right bar_bottom <<<"$(field window "$taskbar" | tr ',' ' ')"
tray_width=160
tray_icon_box() { # prints the icon's bounding box as W H X Y in screen pixels
  import -display "$DISPLAY" -window root "$work/screen.png"
  convert "$work/screen.png" -crop "${tray_width}x$((bar_bottom - bar_top))+$((bar_right - tray_width))+${bar_top}" +repage \
    -fuzz 12% -fill white -opaque '#1f6fd1' -fill black +opaque white -trim \
    -format '%w %h %X %Y' info: 2>/dev/null | tr -d '+'
}
tray_icon_present() {
  local box
  read -r -a box <<<"$(tray_icon_box)"
  ((${#box[@]} == 4 && box[0] >= 6 && box[0] <= 32 && box[1] >= 6))
}
check "tray icon is shown" wait_for 10 tray_icon_present
read -r icon_w icon_h icon_x icon_y <<<"$(tray_icon_box)"
icon_click_x=$((bar_right - tray_width + icon_x + icon_w / 2))
icon_click_y=$((bar_top + icon_y + icon_h / 2))

# ---- start at login from the icon's menu: the Run value ----
run_value() {
  wine reg export 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' "$work/run.reg" /y >/dev/null 2>&1 || return 1
  iconv -f UTF-16 -t UTF-8 "$work/run.reg" | tr -d '\r' | grep '^"Zelmora"='
}
menu_open() { probe list | grep -q '^hwnd=[^ ]* class=#32768 .* visible=1 '; }
choose_from_bottom() { # opens the icon's menu; picks the entry UPS places up from the bottom
  xdotool mousemove "$icon_click_x" "$icon_click_y" click 3
  wait_for 10 menu_open || true # the keys go to the menu once it is there
  for ((i = 0; i < $1; i++)); do xdotool key Up; done
  xdotool key Return
}
choose_from_bottom 3 # 开机自动启动, above 新任务提示音 and 退出
has_run_value() { run_value >/dev/null; }
check "the menu's 开机自动启动 writes the Run value" wait_for 10 has_run_value
expected_run='"Zelmora"="\"'$(winepath -w "$exe" | sed 's/\\/\\\\/g')'\" --minimized --start"'
check "... running this program with --minimized --start" test "$(run_value)" = "$expected_run"
choose_from_bottom 3
check "... and chosen again removes it" wait_for 10 eval '! has_run_value'

# ---- a re-created task bar gets the icon back ----
probe untray "$application_title" >/dev/null || true
check "the icon is gone when the shell loses it" wait_for 5 eval '! tray_icon_present'
probe taskbar-created >/dev/null
check "\"TaskbarCreated\" brings the icon back" wait_for 5 tray_icon_present

# ---- settings typed in, then Start ----
click_client() {
  local x y
  read -r x y < <(control_point "$1")
  xdotool mousemove $((client_left + x)) $((client_top + y)) click 1
}
# ---- View before any task: the empty popup where it was made ----
click_client btn3
popup_at_creation() { [[ $(probe find "$popup_caption") =~ visible=1\ .*\ window=642,361, ]]; }
check "View before any task shows the empty popup at 642, 361" wait_for 5 popup_at_creation
probe close "$popup_caption" >/dev/null
check "its close box hides it" wait_for 5 eval '[[ $(field visible "$(probe find "$popup_caption")") == 0 ]]'

click_client edt1
xdotool key End && xdotool type 7
click_client edt2
xdotool key End BackSpace BackSpace && xdotool type 10
click_client chkip2 # off
click_client btn1   # Start

first="GET /tx.php?action=getnum&taskid=0&noteid=0&type1=1&type2=1&ip1=1 HTTP/1.1"
second="GET /tx.php?action=getnum&taskid=1&noteid=1&type1=1&type2=1&ip1=1 HTTP/1.1"
counter_requests() { grep 'action=getnum' "$out/taskserver.log" 2>/dev/null || true; }
check "Start: the first counter request arrives, exactly" \
  wait_for 10 eval '[[ $(counter_requests | head -n1) == "$first" ]]'
check "the next poll, 10 s later, asks from the ids it got" \
  wait_for 25 eval '[[ $(counter_requests | sed -n 2p) == "$second" ]]'

# ---- settings in the registry: HKLM's 32-bit view, which every build and tool shares ----
wine reg export 'HKLM\Software\Wow6432Node\zelmora\tixing' "$work/settings.reg" /y >/dev/null 2>&1 || true
iconv -f UTF-16 -t UTF-8 "$work/settings.reg" 2>/dev/null | tr -d '\r' >"$out/settings.reg.txt" || true
for setting in '"userid"="ZM-7"' '"interval"="10"' '"closetime"="30"' '"type1"="1"' '"type2"="1"' '"ip1"="1"' '"ip2"="0"'; do
  check "registry after Start holds $setting" grep -qxF "$setting" "$out/settings.reg.txt"
done

# ---- the popup for the new task ----
popup_visible() { [[ $(field visible "$(probe find "$popup_caption")") == 1 ]]; }
check "a new task shows the popup \"$popup_caption\"" wait_for 10 popup_visible
popup=$(probe find "$popup_caption")
popup_style=$(field style "$popup")
popup_exstyle=$(field exstyle "$popup")
check "popup: popup, caption and system menu; no minimise, maximise or sizing" \
  test $((popup_style & 0x80C80000)) -eq $((0x80C80000)) -a $((popup_style & 0x00070000)) -eq 0
check "popup: top-most, no-activate, dialog frame and window edge; no tool-window caption" \
  test $((popup_exstyle)) -eq $((0x08000109))
check "popup: unowned (the desktop window as owner)" test "$(field owner "$popup")" = 0000000000000000
read -r p_left p_top p_right p_bottom <<<"$(field client "$popup" | tr ',' ' ')"
check "popup: client area 300 x 200" test "$((p_right - p_left))x$((p_bottom - p_top))" = 300x200
check "popup did not take the foreground from the main window" \
  test "$(field hwnd "$(probe foreground)")" = "$(field hwnd "$main")"
echo "# popup: $popup"
echo "# memory with the page view loaded: VmRSS $(awk '/^VmRSS/ {print $2}' "/proc/$program_pid/status") kB"

# ---- screenshot with the announcement ----
sleep 2
import -display "$DISPLAY" -window root "$work/screen.png"
convert "$work/screen.png" -crop "$((window_right - window_left))x$((window_bottom - window_top))+${window_left}+${window_top}" \
  +repage "$out/main-window.png"
cp "$work/screen.png" "$out/screen.png"
echo "# screenshot: $out/main-window.png"

# ---- today's tasks: the icon's submenu shows the task's popup again ----
probe close "$popup_caption" >/dev/null
check "the popup's close box hides it" wait_for 5 eval '! popup_visible'
xdotool mousemove "$icon_click_x" "$icon_click_y" click 3
sleep 1
for ((i = 0; i < 4; i++)); do xdotool key Up; done # 今日任务, above 开机自动启动, 新任务提示音 and 退出
xdotool key Right
sleep 1
import -display "$DISPLAY" -window root "$out/todays-tasks.png"
xdotool key Return
check "今日任务 lists the task, and choosing it shows its popup again" wait_for 10 popup_visible

# ---- minimise to the tray, click the icon to restore ----
probe minimize "$main_caption" >/dev/null
main_hidden() { [[ $(field visible "$(probe find "$main_caption")") == 0 ]]; }
check "minimising hides the main window" wait_for 10 main_hidden
check "the tray icon stays" tray_icon_present
xdotool mousemove "$icon_click_x" "$icon_click_y" click 1
main_restored() {
  local now
  now=$(probe find "$main_caption")
  [[ $(field visible "$now") == 1 && $(field iconic "$now") == 0 ]]
}
check "a click on the tray icon restores the main window" wait_for 10 main_restored
check "the restored window is in the foreground" \
  test "$(field hwnd "$(probe foreground)")" = "$(field hwnd "$main")"

# ---- a second start brings the running reminder back from the tray and ends ----
probe minimize "$main_caption" >/dev/null
check "minimised again" wait_for 10 main_hidden
second_status=0
ZELMORA_TEST_TASK_SERVER=$server timeout 60 wine "$program" >"$work/second.log" 2>&1 || second_status=$?
check "a second start ends with status 0" test $second_status -eq 0
check "... and the running reminder's main window is back" wait_for 10 main_restored
check "... the one main window" test "$(probe list | grep -c "caption=$main_caption ")" -eq 1

# ---- closing ends the program and takes the icon away ----
probe close "$main_caption" >/dev/null
program_gone() { ! kill -0 "$program_pid" 2>/dev/null; }
check "closing the main window ends the program" wait_for 15 program_gone
check "the tray icon is gone" wait_for 5 eval '! tray_icon_present'

check "the program carries its manifest (Windows versions, GDI scaling, common controls 6)" \
  eval 'grep -qa "<gdiScaling" "$exe" && grep -qa "Microsoft.Windows.Common-Controls" "$exe"'
echo "# program: $(stat -c %s "$exe") bytes"
finish_checks "$out"
