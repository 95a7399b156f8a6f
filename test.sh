#!/usr/bin/env bash
# Builds the reminder every way we ship or check it and runs every test:
# g++ (with the GUI tests under Xvfb), clang++, ASan+UBSan, TSan, the fuzzer for a
# bounded time, and the Windows build under Wine. Installs what it needs when run
# as root. `./test.sh quick` runs only the g++ build and its tests.
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

if [ -f fuzz/CMakeLists.txt ]; then
  step "fuzz"
  cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DZELMORA_GUI=OFF -DZELMORA_TESTS=OFF \
    -DZELMORA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/fuzz -j2
  for target in build/fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    corpus=fuzz/corpus/$(basename "$target" | sed 's/^fuzz_//')
    work=$(mktemp -d)
    "$target" -max_total_time=60 -timeout=10 -rss_limit_mb=1024 "$work" "$corpus"
    rm -rf "$work"
  done
fi

if [ -f cmake/mingw-w64.cmake ]; then
  step "mingw"
  cmake --preset mingw -DZELMORA_WERROR=ON -DZELMORA_TESTS=OFF >/dev/null
  cmake --build --preset mingw
  if [ -x tests/wine/smoke.sh ]; then
    tests/wine/smoke.sh build/mingw
  fi
fi

step "all passed"
