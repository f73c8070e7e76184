#!/bin/sh
# The C++ library's and MinGW's header folders of the MinGW-w64 cross
# compiler, one a line, for tools that parse the Windows code with clang
# (which brings its own intrinsics).
set -eu
echo | x86_64-w64-mingw32-g++-posix -E -x c++ - -v 2>&1 |
  sed -n '/search starts here/,/End of search/p' | grep '^ /' |
  grep -E 'c\+\+|mingw32/include$' | sed 's/^ //'
