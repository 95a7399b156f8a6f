#!/bin/bash
# Without a display that answers, the program explains itself and exits with 1
# (Qt alone would abort with a core dump).
set -u
program=$1
fail() {
  echo "FAIL: $*"
  exit 1
}
runs() {  # runs EXPECTED_TEXT env-arguments...
  local expected=$1 output status
  shift
  output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$program" 2>&1)
  status=$?
  echo "$output"
  [ "$status" = 1 ] || fail "exit status $status, not 1"
  grep -q "$expected" <<<"$output" || fail "no explanation ('$expected')"
}
runs 'no display found'
runs 'xvfb-run'
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A Wayland session whose display is gone, and an X display nobody serves.
runs 'no display answers' XDG_RUNTIME_DIR="$scratch" WAYLAND_DISPLAY=wayland-gone
runs 'no display answers' DISPLAY=:65000
echo PASS
