# Fails when the committed icon or picture differ from what the generator draws.
# RUNNER, if given, is the command that runs the generator (Wine).
execute_process(COMMAND ${RUNNER} ${GENERATOR} ${WORK_DIR}/orvanel.ico ${WORK_DIR}/emblem.bmp
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the generator failed: ${result}")
endif()
foreach(name orvanel.ico emblem.bmp)
  file(SHA256 ${WORK_DIR}/${name} drawn)
  file(SHA256 ${SOURCE_DIR}/${name} committed)
  if(NOT drawn STREQUAL committed)
    message(FATAL_ERROR "resources/${name} is not what the generator draws: "
      "run build/linux/resources/orvanel_emblem resources/orvanel.ico resources/emblem.bmp")
  endif()
endforeach()
