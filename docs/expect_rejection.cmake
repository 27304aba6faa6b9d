# Builds the reference with one more header, FAULT, into WORK_DIR and expects
# doxygen to fail with a warning that matches EXPECT.
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/Doxyfile
  "@INCLUDE = ${DOXYFILE}\nINPUT += ${FAULT}\nOUTPUT_DIRECTORY = ${WORK_DIR}\n")
execute_process(COMMAND ${DOXYGEN} ${WORK_DIR}/Doxyfile
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status EQUAL 0)
  message(FATAL_ERROR "doxygen accepted ${FAULT}:\n${out}${err}")
endif()
if(NOT err MATCHES "${EXPECT}")
  message(FATAL_ERROR "doxygen failed on ${FAULT}, but without a warning matching\n"
                      "  ${EXPECT}\n${out}${err}")
endif()
