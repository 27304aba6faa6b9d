# Checks that LIBRARY, stripped as the device's packages strip it, is at most
# LIMIT bytes: the device is small, and speed must not be bought with code
# or constant tables (tables built at run time live in bss and cost no file
# space). Run with cmake -P -DSTRIP=... -DLIBRARY=... -DOUT=... -DLIMIT=...
execute_process(COMMAND ${STRIP} -o ${OUT} ${LIBRARY} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${STRIP} ${LIBRARY} failed")
endif()
file(SIZE ${OUT} size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "stripped ${LIBRARY} is ${size} bytes, more than ${LIMIT}")
endif()
message(STATUS "stripped library: ${size} bytes (limit ${LIMIT})")
