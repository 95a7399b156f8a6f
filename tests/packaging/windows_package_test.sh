#!/usr/bin/env bash
# The Windows packages as a user gets them, under Wine: the portable zip holds
# the program; the installer, run silently for the current user, leaves the
# program, its Start-menu shortcut, its Apps & features entry and the
# start-at-login value; the installed program passes the Windows smoke run; an
# install over the running program replaces it (and one that cannot end it
# changes nothing and says so in its exit status); the silent uninstaller ends
# the running program and takes all of that away again, keeping the settings.
#
#   tests/packaging/windows_package_test.sh TASKSERVER [BUILD_DIR] [OUTPUT_DIR]
#
# The installed program asks the task server fixed when it was built, so the
# packages are built here (in BUILD_DIR, default build/package-mingw) for
# 127.0.0.1 on a port found free now, where the smoke run then starts TASKSERVER.
# Screenshots and logs go to OUTPUT_DIR (default BUILD_DIR/package-test).
set -euo pipefail

if [[ $# -lt 1 ]]; then
  sed -n '2,13p' "$0" >&2
  exit 2
fi
here=$(dirname "$(realpath "$0")")
source_dir=$(realpath "$here/../..")
. "$source_dir/tests/support/virtual_desktop.sh"
. "$source_dir/tests/support/checks.sh"
taskserver=$(realpath "$1")
build=$(realpath -m "${2:-$source_dir/build/package-mingw}")
out=$(realpath -m "${3:-$build/package-test}")
require_tools wine wineserver winepath makensis x86_64-w64-mingw32-g++ unzip iconv
work=$vd_work
mkdir -p "$out"

stop() {
  echo "FAIL - $*"
  exit 1
}

# ---- the packages, for a task server on this machine ----
# A port the system just handed out and took back is free for a good while.
"$taskserver" --port 0 >"$work/server.out" 2>&1 &
probe_server=$!
wait_until 100 grep -q '^listening on ' "$work/server.out" || stop "the task server did not start"
port=$(sed -n 's/^listening on 127\.0\.0\.1://p' "$work/server.out")
kill "$probe_server"
wait "$probe_server" 2>/dev/null || true
echo "# the packaged program will ask 127.0.0.1:$port"

cmake -S "$source_dir" -B "$build" -G Ninja --toolchain "$source_dir/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DZELMORA_TESTS=OFF -DZELMORA_WERROR=ON -DTASK_SERVER_HOST="127.0.0.1:$port" \
  >"$work/configure.log" || stop "configure: $(tail "$work/configure.log")"
cmake --build "$build" --target zelmora >"$work/build.log" 2>&1 || stop "build: $(tail "$work/build.log")"
rm -f "$build"/zelmora-*-setup.exe "$build"/zelmora-*-portable.zip
(cd "$build" && cpack) >"$work/cpack.log" 2>&1 || stop "cpack: $(tail -n 30 "$work/cpack.log")"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
setup=$build/zelmora-$version-setup.exe
portable=$build/zelmora-$version-portable.zip
[[ -f $setup && -f $portable ]] || stop "cpack made $(ls "$build" | grep -E 'setup|portable' | tr '\n' ' ')"
pass "cpack makes $(basename "$setup") and $(basename "$portable")"

check "the portable zip holds the program and nothing else" \
  test "$(unzip -Z1 "$portable")" = "zelmora-$version-portable/zelmora.exe"
# Explorer shows the installer's version from its version resource (UTF-16 text).
check "the installer carries its version ($version)" \
  eval 'strings -e l "$setup" | grep -A1 -x ProductVersion | grep -qx "$version"'

# ---- a silent install, for this user ----
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all LANG=C.UTF-8
# No Mono or Gecko dialogs, and no menu entries of Wine's own in this machine's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
at_exit 'wineserver -k >/dev/null 2>&1'
start_x 1024x768
wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w
windows_folder() { wine cmd /c "echo %$1%" 2>/dev/null | tr -d '\r'; }
local_app_data=$(windows_folder LOCALAPPDATA)
install_dir_windows="$local_app_data\\Programs\\Zelmora"
install_dir=$(winepath -u "$install_dir_windows")
shortcut="$(winepath -u "$(windows_folder APPDATA)")/Microsoft/Windows/Start Menu/Programs/Zelmora任务提醒器.lnk"
# The registry as text; fails when the key is not there.
registry_key() {
  wine reg export "$1" "$work/key.reg" /y >/dev/null 2>&1 || return 1
  iconv -f UTF-16 -t UTF-8 "$work/key.reg" | tr -d '\r'
}
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelmora'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
# The start-at-login value as .reg text, where backslashes and quotes are escaped.
run_data="\"$install_dir_windows\\zelmora.exe\" --minimized --start"
run_line="\"Zelmora\"=\"$(sed 's/\\/\\\\/g; s/"/\\"/g' <<<"$run_data")\""

timeout 120 wine "$setup" /S /STARTATLOGIN >"$work/setup.log" 2>&1 || stop "the installer failed: $(tail "$work/setup.log")"
installed=$(cd "$install_dir" 2>/dev/null && ls | sort | tr '\n' ' ' || true)
check "installs zelmora.exe and its uninstaller under %LOCALAPPDATA%\\Programs\\Zelmora ($installed)" \
  test "$installed" = "uninstall.exe zelmora.exe "
check "adds the Start-menu shortcut" test -f "$shortcut"
registry_key "$uninstall_key" >"$out/uninstall-key.reg.txt" || true
entry_holds() { # entry_holds NAME DATA-PATTERN
  grep -qx "\"$1\"=\"$2\"" "$out/uninstall-key.reg.txt"
}
check "Apps & features: the name" entry_holds DisplayName 'Zelmora任务提醒器'
check "Apps & features: the version" entry_holds DisplayVersion "$version"
check "Apps & features: the publisher" entry_holds Publisher Zelmora
# Data as .reg text: a backslash is written \\, a quote \".
check "Apps & features: the program's icon" entry_holds DisplayIcon '.*\\\\zelmora\.exe,0'
check "Apps & features: the uninstaller" entry_holds UninstallString '\\".*\\\\uninstall\.exe\\"'
check "Apps & features: the quiet uninstaller" entry_holds QuietUninstallString '\\".*\\\\uninstall\.exe\\" /S'
check "nothing for all users (no entry under HKLM)" \
  eval '! registry_key "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zelmora" >/dev/null'
check "/STARTATLOGIN: the Run value starts the installed program in the tray, polling" \
  eval 'registry_key "$run_key" | grep -qxF "$run_line"'

# ---- the installed program ----
# Wine starts what the Run value names whenever the prefix boots, and one reminder
# per session would then meet the smoke run's own; the smoke run also switches start
# at login on and off itself. Take the value away for it and put it back after, for
# the uninstaller to remove.
wine reg delete "$run_key" /v Zelmora /f >/dev/null 2>&1 || true
wineserver -k >/dev/null 2>&1 || true # the smoke run brings its own display
if "$here/../desktop_win32/smoke.sh" --installed "$WINEPREFIX" "$port" "$taskserver" "$out/smoke" >"$out/smoke.log" 2>&1; then
  pass "the installed program passes the smoke run ($(grep -c '^ok' "$out/smoke.log") checks)"
else
  fail "the installed program's smoke run:"
  grep -v '^ok' "$out/smoke.log" | sed 's/^/  /'
fi

wine reg add "$run_key" /v Zelmora /d "$run_data" /f >/dev/null 2>&1 || fail "the Run value could not be put back"
wineserver -k >/dev/null 2>&1 || true
features='HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl'
check "the program has its page view show pages in the current document mode" \
  eval 'registry_key "$features\\FEATURE_BROWSER_EMULATION" | grep -qx "\"zelmora.exe\"=dword:00002af9"'
check "... and follow links without the click sound" \
  eval 'registry_key "$features\\FEATURE_DISABLE_NAVIGATION_SOUNDS" | grep -qx "\"zelmora.exe\"=dword:00000001"'

# ---- installing and uninstalling while the reminder runs ----
log_file=$(winepath -u "$local_app_data\\zelmora\\zelmora.log")
starts() {
  local count
  count=$(grep -c 'zelmora .* started' "$log_file" 2>/dev/null) || true
  echo "${count:-0}"
}
start_reminder() { # starts the installed program and waits until it holds its claim
  local before
  before=$(starts)
  wine "$install_dir_windows\\zelmora.exe" >>"$work/running.log" 2>&1 &
  reminder=$!
  wait_until 600 eval '(($(starts) > before))' || stop "the installed program did not start: $(tail "$work/running.log")"
}
reminder_gone() { ! kill -0 "$reminder" 2>/dev/null; }
# A mark on the installed program shows whether the installer replaced it.
cp "$install_dir/zelmora.exe" "$work/installed.exe"
printf 'old program' >>"$install_dir/zelmora.exe"
start_reminder
# A reminder that hangs: it cannot answer, and it holds its program file.
kill -STOP "$reminder"
status=0
timeout 120 wine "$setup" /S >"$work/setup-stuck.log" 2>&1 || status=$?
kill -CONT "$reminder"
check "over a reminder that does not end, the silent installer fails (exit status $status)" test $status -eq 2
check "... and leaves the installed program as it was" eval 'tail -c 11 "$install_dir/zelmora.exe" | grep -qx "old program"'
# It reads the installer's request once it runs again.
wait_until 300 reminder_gone || kill "$reminder"

start_reminder
status=0
timeout 120 wine "$setup" /S >"$work/setup-running.log" 2>&1 || status=$?
check "installing over the running reminder succeeds (exit status $status)" test $status -eq 0
check "... the reminder was asked to end, and ended" wait_until 100 reminder_gone
check "... and its program is the new one" cmp -s "$install_dir/zelmora.exe" "$work/installed.exe"
start_reminder

# ---- a silent uninstall ----
settings_key='HKLM\Software\Wow6432Node\zelmora\tixing'
registry_key "$settings_key" >"$work/settings-before.txt" || true
# The uninstaller runs from a copy of itself, so it can delete itself: wait for the files to go.
timeout 120 wine "$install_dir/uninstall.exe" /S >"$work/uninstall.log" 2>&1 || fail "the uninstaller failed"
check "uninstalling ends the running reminder" wait_until 300 reminder_gone
program_files_gone() { [[ ! -e $install_dir/zelmora.exe && ! -e $install_dir/uninstall.exe ]]; }
check "uninstall removes the program and the uninstaller" wait_until 300 program_files_gone
check "and the program's folder" wait_until 50 test ! -e "$install_dir"
check "and the Start-menu shortcut" test ! -e "$shortcut"
check "and the Apps & features entry" eval '! registry_key "$uninstall_key" >/dev/null'
check "and the start-at-login value" eval '! registry_key "$run_key" | grep -q "^\"Zelmora\"="'
check "and the page view's settings" eval '! registry_key "$features\\FEATURE_BROWSER_EMULATION" | grep -q zelmora.exe &&
  ! registry_key "$features\\FEATURE_DISABLE_NAVIGATION_SOUNDS" | grep -q zelmora.exe'
registry_key "$settings_key" >"$work/settings-after.txt" || true
check "the settings stay" eval 'grep -q "\"userid\"=" "$work/settings-before.txt" &&
  cmp -s "$work/settings-before.txt" "$work/settings-after.txt"'

finish_checks "$out"
