# The program built again in another folder, on what could be a Japanese
# build machine (resource scripts read in code page 932), is the same, byte
# for byte, and carries no path of either build:
#   cmake -DSOURCE_DIR=... -DPROGRAM=... -DWORK_DIR=... -P same_program_test.cmake
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}
    --toolchain ${SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=Release -DORVANEL_BUILD_TESTS=OFF -DCMAKE_RC_FLAGS=--codepage=932
  OUTPUT_QUIET RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "the second build did not configure")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR} --target orvanel -j 2
  OUTPUT_QUIET RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "the second build failed")
endif()

file(SHA256 ${PROGRAM} first)
file(SHA256 ${WORK_DIR}/orvanel.exe second)
message(STATUS "first build:  ${first}")
message(STATUS "second build: ${second}")
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two builds of the same sources differ")
endif()

get_filename_component(first_dir ${PROGRAM} DIRECTORY)
foreach(path ${SOURCE_DIR} ${first_dir} ${WORK_DIR})
  file(STRINGS ${PROGRAM} found LIMIT_COUNT 1 REGEX "${path}")
  if(found)
    message(FATAL_ERROR "the program carries the build path ${path}: ${found}")
  endif()
endforeach()
