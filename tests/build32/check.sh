#!/bin/sh
# The Windows code compiles with clang against MinGW's headers, for 32-bit
# Windows (where callbacks need their calling convention) and for 64-bit
# Windows with the warnings nearest to what Visual Studio's /W4 reports
# (conversions that may lose data or change sign, shadowed names), without
# building anything.
#   check.sh SOURCE_DIR
set -eu
cd "$1"
includes=""
for dir in $(sh tools/mingw-includes.sh); do
  includes="$includes -isystem $dir"
done
status=0
for target in i686-w64-mingw32 x86_64-w64-mingw32; do
  for source in app/win32_*.cpp app/startup.cpp app/main.cpp service/com_automation.cpp \
    winapi/*.cpp; do
    # shellcheck disable=SC2086
    clang++ --target=$target -fsyntax-only -std=c++20 -Wall -Wextra -Wconversion \
      -Wshorten-64-to-32 -Wsign-conversion -Wshadow -Wcast-qual -Werror -I. -Iresources \
      $includes -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 \
      "$source" || status=1
  done
done
[ $status -eq 0 ] && echo "32- and 64-bit Windows: the Windows code compiles with clang"
exit $status
