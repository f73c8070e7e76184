#!/bin/sh
# The Windows code compiles for 32-bit Windows too, where callbacks need
# their calling convention: clang checks it against MinGW's headers for the
# i686 target, without building anything.
#   check.sh SOURCE_DIR
set -eu
cd "$1"
includes=""
for dir in $(sh tools/mingw-includes.sh); do
  includes="$includes -isystem $dir"
done
status=0
for source in app/win32_*.cpp app/startup.cpp app/main.cpp service/com_automation.cpp \
  winapi/*.cpp; do
  # shellcheck disable=SC2086
  clang++ --target=i686-w64-mingw32 -fsyntax-only -std=c++20 -Wall -Werror -I. -Iresources \
    $includes -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 \
    "$source" || status=1
done
[ $status -eq 0 ] && echo "32-bit Windows: the Windows code compiles"
exit $status
