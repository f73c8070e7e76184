#!/bin/sh
# Runs clang-tidy over the portable code (native build) and the Windows code (cross build).
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)

echo "clang-tidy: portable code"
run-clang-tidy -quiet -j "$jobs" -p build/linux 'app/|service/|tests/|resources/' >build/tidy-linux.log 2>&1 ||
  { grep -E 'warning:|error:' build/tidy-linux.log; exit 1; }

echo "clang-tidy: Windows code"
extra=""
for dir in $(sh tools/mingw-includes.sh); do
  extra="$extra -extra-arg=-isystem$dir"
done
# shellcheck disable=SC2086
run-clang-tidy -quiet -j "$jobs" -p build/windows -extra-arg=--target=x86_64-w64-mingw32 $extra \
  'app/(win32_[a-z_]+|startup|main)\.cpp|service/com_automation\.cpp|winapi/|tests/(com|e2e|sim|support|win32|bench)/|tools/watch\.cpp' \
  >build/tidy-windows.log 2>&1 ||
  { grep -E 'warning:|error:' build/tidy-windows.log; exit 1; }
echo "clang-tidy: clean"
