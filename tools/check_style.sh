#!/usr/bin/env bash
# Checks the one code style: clang-format on every C++ file, and the naming rules
# of .clang-tidy on every translation unit of the given builds (compile databases).
#   tools/check_style.sh build/default [build/mingw ...]
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
if ! git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror; then
  echo "clang-format: the files above need formatting (clang-format -i FILE)" >&2
  status=1
fi

sources="$PWD/(app|bench|core|fuzz|notify|platform|poll|program|settings|tests|tools)/.*\.cpp$"
for build in "$@"; do
  extra=()
  if grep -q 'w64-mingw32' "$build/compile_commands.json"; then
    # clang reads the MinGW build as a Windows target; give it GCC's C++ headers.
    gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
    extra=(-extra-arg=--target=x86_64-w64-mingw32 -extra-arg=-nostdinc++
           -extra-arg=-isystem"$gcc_dir/include/c++" -extra-arg=-isystem"$gcc_dir/include/c++/x86_64-w64-mingw32")
  fi
  log=$(mktemp)
  run-clang-tidy -p "$build" -j "$(nproc)" -quiet "${extra[@]}" "$sources" >"$log" 2>&1 || true
  if sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E ': (error|warning):' | sort -u | grep .; then
    echo "clang-tidy ($build): names above break the naming rules in .clang-tidy" >&2
    status=1
  fi
  rm -f "$log"
done
exit $status
