#!/usr/bin/env bash
# Builds the reminder every way we ship or check it and runs every test:
# g++ (with the GUI tests under Xvfb), clang++, ASan+UBSan, TSan, the fuzzers for a
# bounded time, the Windows build under Wine, and both packages, each installed,
# run and removed. Installs what it needs when run as root. `./test.sh quick` runs
# only the g++ build and its tests.
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-full}

.ci/install-packages

step() { printf '\n==== %s ====\n' "$*"; }
configure_build_test() {
  local preset=$1; shift
  step "$preset"
  cmake --preset "$preset" -DZELMORA_WERROR=ON "$@" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
}

configure_build_test default
[ "$mode" = quick ] && exit 0

configure_build_test clang
configure_build_test asan
# TSan needs the old address-space layout on kernels with high mmap entropy.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" setarch "$(uname -m)" -R \
  bash -c "$(declare -f step configure_build_test); configure_build_test tsan"

step "fuzz (reply reader and request head, 30 s each)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZELMORA_GUI=OFF -DZELMORA_TESTS=OFF -DZELMORA_FUZZ=ON -DZELMORA_FUZZ_SECONDS=30 >/dev/null
cmake --build build/fuzz -j2 --target reply_fuzzer request_head_fuzzer
# libFuzzer reports every new input; keep its chatter in a log and show the end.
for fuzzer in reply_fuzzer request_head_fuzzer; do
  if ! cmake --build build/fuzz --target run_$fuzzer >build/fuzz/$fuzzer.log 2>&1; then
    tail -n 60 build/fuzz/$fuzzer.log
    exit 1
  fi
  tail -n 3 build/fuzz/$fuzzer.log
done

step "bench (builds; run by hand, see README)"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELMORA_BENCH=ON -DZELMORA_GUI=OFF \
  -DZELMORA_TESTS=OFF -DZELMORA_WERROR=ON >/dev/null
cmake --build build/bench -j2

step "style (clang-format, and the naming rules on the Linux and Windows sources)"
cmake --preset mingw -DZELMORA_WERROR=ON >/dev/null
tools/check_style.sh build/default build/mingw build/fuzz build/bench

step "mingw (Windows build; its tests and a smoke run under Wine)"
cmake --build --preset mingw
export WINEPREFIX=$PWD/build/mingw/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
wineserver -p  # one server for all the test runs
# Start Wine's own services now: started by the first test, they would hold on
# to ctest's output pipe and look like a hung test.
wine cmd /c exit >/dev/null 2>&1 </dev/null
ctest --preset mingw -j2
wineserver -k || true
unset WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES
tests/desktop_win32/smoke.sh build/mingw

step "packages (the .deb and the Windows installer: built, installed, run and removed)"
# What users get, straight from the presets.
cpack --preset deb
cpack --preset mingw
# The installed programs ask the task server fixed at build time: each test builds
# its packages again for a local one. The two share nothing, so they run side by side.
taskserver=build/default/tools/taskserver/taskserver
tests/packaging/windows_package_test.sh "$taskserver" >build/windows-package-test.log 2>&1 &
windows_test=$!
deb_status=0
tests/packaging/deb_test.sh "$taskserver" || deb_status=$?
windows_status=0
wait "$windows_test" || windows_status=$?
cat build/windows-package-test.log
# 77: skipped (not root), as in ctest.
for status in $deb_status $windows_status; do
  [ "$status" -eq 0 ] || [ "$status" -eq 77 ] || exit 1
done

step "all passed"
