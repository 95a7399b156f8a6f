#!/usr/bin/env bash
# The Debian package as a user gets it: built, checked (contents, Depends,
# lintian, AppStream), installed with apt-get, the installed program run on a
# virtual desktop until a new task's page shows in its popup, then removed,
# leaving no file of the package behind.
#
#   tests/packaging/deb_test.sh TASKSERVER [BUILD_DIR] [OUTPUT_DIR]
#
# The installed program asks the task server fixed when it was built, so the
# package is built here (in BUILD_DIR, default build/package-deb) for the local
# task server TASKSERVER, started first on a free port. It installs into this
# machine: root only (CI); skipped (77) otherwise. Screenshots go to OUTPUT_DIR
# (default BUILD_DIR/package-test).
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
build=$(realpath -m "${2:-$source_dir/build/package-deb}")
out=$(realpath -m "${3:-$build/package-test}")
[[ $(id -u) -eq 0 ]] || { echo "SKIP: installs a package; run as root"; exit 77; }
require_tools apt-get dpkg-deb lintian appstreamcli identify xdotool xwininfo import
work=$vd_work
mkdir -p "$out"
rm -f "$out"/*.png

# Gives up at once: what follows would only fail in its wake.
stop() {
  echo "FAIL - $*"
  [[ -f $work/requests.log ]] && sed 's/^/  request: /' "$work/requests.log"
  [[ -f $work/program.log ]] && tail -n 20 "$work/program.log" | sed 's/^/  program: /'
  [[ -n ${DISPLAY:-} ]] && import -window root "$out/failure.png" 2>/dev/null
  exit 1
}

# ---- the package, for a task server on this machine ----
"$taskserver" --port 0 --task-every 3600 --note-every 3600 --log "$work/requests.log" >"$work/server.out" 2>&1 &
track $!
wait_until 100 grep -q '^listening on ' "$work/server.out" || stop "the task server did not start"
address=$(sed -n 's/^listening on //p' "$work/server.out")
echo "# task server at $address"

cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMORA_TESTS=OFF \
  -DZELMORA_WERROR=ON -DTASK_SERVER_HOST="$address" >"$work/configure.log" || stop "configure: $(tail "$work/configure.log")"
cmake --build "$build" >"$work/build.log" 2>&1 || stop "build: $(tail "$work/build.log")"
rm -f "$build"/zelmora_*.deb
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || stop "cpack: $(tail "$work/cpack.log")"
deb=$(echo "$build"/zelmora_*_amd64.deb)
[[ -f $deb ]] || stop "no zelmora_<version>_amd64.deb in $build"
version=$(dpkg-deb -f "$deb" Version)
check "named after the project's version ($(basename "$deb"))" test "$(basename "$deb")" = "zelmora_${version}_amd64.deb"

# ---- what is in it ----
dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' >"$work/contents"
expected=(/usr/bin/zelmora /usr/libexec/zelmora/zelmora-pageview /usr/share/applications/zelmora.desktop
  /usr/share/icons/hicolor/scalable/apps/zelmora.svg /usr/share/metainfo/com.zelmora.zelmora.metainfo.xml
  /usr/share/man/man1/zelmora.1.gz /usr/share/doc/zelmora/copyright /usr/share/doc/zelmora/changelog.gz)
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/zelmora.png"); done
for path in "${expected[@]}"; do
  grep -qxF "$path" "$work/contents" || fail "the package holds $path"
done
check "only the program itself is on the PATH" test "$(grep -c '^/usr/bin/.' "$work/contents")" -eq 1
depends=$(dpkg-deb -f "$deb" Depends)
check "Depends, from the binaries, name WebKitGTK and libc ($depends)" \
  eval '[[ $depends == *libwebkit2gtk-4.1-0* && $depends == *"libc6 (>="* ]]'
check "nothing of Qt WebEngine in Depends" eval '[[ $depends != *webengine* ]]'
recommends=$(dpkg-deb -f "$deb" Recommends)
check "Recommends the sound library the program loads by itself ($recommends)" \
  eval '[[ $recommends == *libcanberra0* ]]'

dpkg-deb -x "$deb" "$work/root"
icon_sizes_right=true
for size in "${sizes[@]}"; do
  actual=$(identify -format '%wx%h' "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/zelmora.png")
  [[ $actual == "${size}x${size}" ]] || { echo "#   the ${size}x${size} icon is $actual"; icon_sizes_right=false; }
done
check "every hicolor icon has the size of its folder" $icon_sizes_right
metainfo=$work/root/usr/share/metainfo/com.zelmora.zelmora.metainfo.xml
quietly() { "$@" >"$work/quiet.log" 2>&1 || { cat "$work/quiet.log"; return 1; }; }
check "AppStream metadata valid" quietly appstreamcli validate --no-net "$metainfo"
check "AppStream metadata names this version's release" grep -q "<release version=\"$version\"" "$metainfo"
check "lintian finds no error" quietly lintian --fail-on error "$deb"

# ---- installed ----
export DEBIAN_FRONTEND=noninteractive
# Whatever happens below, the machine is left without the package.
at_exit 'apt-get -o DPkg::Lock::Timeout=600 remove -y -qq zelmora >/dev/null 2>&1'
apt-get -o DPkg::Lock::Timeout=600 install -y -qq --reinstall "$deb" >"$work/install.log" 2>&1 ||
  stop "apt-get install: $(tail "$work/install.log")"
pass "apt-get installs it"
dpkg -L zelmora >"$work/installed"
check "the installed programs load WebKitGTK, nothing of Qt WebEngine" \
  eval 'ldd /usr/bin/zelmora /usr/libexec/zelmora/zelmora-pageview >"$work/ldd" &&
    grep -q libwebkit2gtk-4.1 "$work/ldd" && ! grep -qi webengine "$work/ldd"'

start_x 1280x800
start_icewm
main_caption='Zelmora任务提醒器1.62'
popup_caption='Zelmora通知'
mkdir -p "$work/config" "$work/state"
# As any user would start it, from the PATH, with the page view's sandbox.
env -u QT_QPA_PLATFORM HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" \
  XDG_RUNTIME_DIR="$work" PATH=/usr/bin:/bin zelmora >"$work/program.log" 2>&1 &
program_pid=$!
track $program_pid
window=
main_shown() { window=$(xdotool search --onlyvisible --name "^${main_caption}\$" 2>/dev/null | head -n1); [[ -n $window ]]; }
wait_until 300 main_shown || stop "the installed program's main window did not appear"
pass "the installed program shows its main window"
sleep 1 # a person takes a moment before pressing Start
click_control "$window" btn1
popup_shown() { xdotool search --onlyvisible --name "^${popup_caption}\$" >/dev/null 2>&1; }
wait_until 600 popup_shown || stop "no popup for the new task"
pass "Start: a new task pops up"
check "it asked the task server fixed at build time for the counters and the task page" \
  eval 'grep -q "action=getnum" "$work/requests.log" && grep -q "action=show" "$work/requests.log"'
helper=
for child in $(pgrep -P "$program_pid"); do
  path=$(readlink "/proc/$child/exe" || true)
  [[ $path == */zelmora-pageview ]] && helper=$path
done
check "the page view runs from /usr/libexec/zelmora (${helper:-not running})" \
  test "$helper" = /usr/libexec/zelmora/zelmora-pageview
sleep 1
import -window root "$out/installed-program.png"
kill "$program_pid"
wait "$program_pid" 2>/dev/null || true

# ---- removed ----
apt-get -o DPkg::Lock::Timeout=600 remove -y -qq zelmora >"$work/remove.log" 2>&1 ||
  stop "apt-get remove: $(tail "$work/remove.log")"
left=()
while read -r path; do
  # Shared folders (/usr/share/icons, ...) stay; our own files and folders go.
  if [[ -d $path && ! -L $path ]]; then
    [[ $path == */zelmora ]] && left+=("$path")
  elif [[ -e $path || -L $path ]]; then
    left+=("$path")
  fi
done <"$work/installed"
check "apt-get remove leaves no file of the package (${#left[@]} left: ${left[*]:-none})" test ${#left[@]} -eq 0

finish_checks "$out"
