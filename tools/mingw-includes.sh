#!/bin/sh
# Prints the MinGW-w64 cross compiler's C++ and Windows header folders, for clang-based checks.
set -eu
echo | x86_64-w64-mingw32-g++-posix -E -x c++ - -v 2>&1 |
  sed -n '/search starts here/,/End of search/p' | grep '^ /' |
  grep -E 'c\+\+|mingw32/include$' | sed 's/^ //'
