# Built for Windows from Linux, the checks that read the Windows code with
# clang (clang-tidy, include-what-you-use, the warning check) take the cross
# compiler's C++ and Windows headers as system headers; GCC's own
# intrinsics are not for clang.
if(CMAKE_CROSSCOMPILING)
  # Include folders on the command line itself, where clang reads them, not
  # in a response file.
  set(CMAKE_CXX_USE_RESPONSE_FILE_FOR_INCLUDES OFF)
  set(ORVANEL_SYSTEM_HEADERS ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
  list(FILTER ORVANEL_SYSTEM_HEADERS INCLUDE REGEX "c\\+\\+|mingw32/include$")
  string(REPLACE ";" "\n" listed "${ORVANEL_SYSTEM_HEADERS}")
  file(WRITE ${CMAKE_BINARY_DIR}/system-headers.txt "${listed}\n")
endif()

# clang-tidy, as .clang-tidy has it, over every file the project's own
# targets compile, where the preset asks for it (ORVANEL_TIDY).
option(ORVANEL_TIDY "Run clang-tidy over the project's own files as they are compiled" OFF)
if(ORVANEL_TIDY)
  find_program(ORVANEL_CLANG_TIDY clang-tidy REQUIRED)
  set(ORVANEL_TIDY_COMMAND ${ORVANEL_CLANG_TIDY})
  if(CMAKE_CROSSCOMPILING)
    list(APPEND ORVANEL_TIDY_COMMAND --extra-arg=--target=${ORVANEL_MINGW_PREFIX})
    foreach(folder ${ORVANEL_SYSTEM_HEADERS})
      list(APPEND ORVANEL_TIDY_COMMAND --extra-arg=-isystem${folder})
    endforeach()
  endif()
endif()

# Settings every target of the project's own shares: warnings are errors on
# both compilers, and Windows builds target the Unicode API of Windows 7 on.
function(orvanel_target target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /permissive- /utf-8 /EHsc)
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wcast-qual -Wformat=2
      -Wold-style-cast -Werror)
  endif()
  if(WIN32)
    target_compile_definitions(${target} PRIVATE
      UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  endif()
  if(ORVANEL_TIDY_COMMAND)
    set_target_properties(${target} PROPERTIES CXX_CLANG_TIDY "${ORVANEL_TIDY_COMMAND}")
  endif()
endfunction()

# The shipped program needs no runtime DLL of the compiler's, and is built
# for size: its time goes to WMI, not to its own code. The same sources give
# the same program byte for byte, wherever and whenever they are built: no
# time stamp in the PE header, no build path.
if(MINGW)
  add_link_options(-static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-Wl,--gc-sections>
    -Wl,--no-insert-timestamp)
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
    -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
  set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG -ffunction-sections -fdata-sections")
endif()

# Visual Studio builds the same program: the static runtime, so that no
# VC++ redistributable is needed, and no manifest, which the linker would
# otherwise embed. Subsystem 6.00, Remote Desktop awareness, ASLR and DEP are
# that linker's defaults for a 64-bit program. For size, as above: /O1, each
# function and datum in a section of its own (/Gy, /Gw), and the linker
# dropping what nothing references and folding what is identical.
if(MSVC)
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  add_link_options(/MANIFEST:NO $<$<CONFIG:Release>:/OPT:REF> $<$<CONFIG:Release>:/OPT:ICF>)
  set(CMAKE_CXX_FLAGS_RELEASE "/O1 /Gy /Gw /DNDEBUG")
endif()
