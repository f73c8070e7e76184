# Cross build for 64-bit Windows with Debian's MinGW-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVANEL_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model, because GoogleTest needs std::mutex; linked
# statically, it adds no DLL to what the program needs.
set(CMAKE_C_COMPILER ${ORVANEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVANEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVANEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVANEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
