#!/bin/bash
# Without any display the program explains itself and exits with 1 (Qt alone
# would abort with a core dump).
set -u
output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" 2>&1)
status=$?
echo "$output"
[ "$status" = 1 ] || { echo "FAIL: exit status $status, not 1"; exit 1; }
grep -q 'no display found' <<<"$output" || { echo "FAIL: no explanation"; exit 1; }
grep -q 'xvfb-run' <<<"$output" || { echo "FAIL: no hint at xvfb-run"; exit 1; }
