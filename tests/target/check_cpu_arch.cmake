# Checks that every file in FILES is code for the CPU architecture EXPECTED
# (e.g. "v6"), as recorded in its ARM attributes (`readelf -A`): an object
# built for a later architecture would stop on the device with an illegal
# instruction. Run with cmake -P -DREADELF=... -DEXPECTED=... -DFILES=a;b
foreach(file IN LISTS FILES)
  execute_process(COMMAND ${READELF} -A ${file}
    RESULT_VARIABLE rc OUTPUT_VARIABLE attributes)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${READELF} -A ${file} failed")
  endif()
  if(NOT attributes MATCHES "Tag_CPU_arch: ([^\n]+)")
    message(FATAL_ERROR "${file} records no CPU architecture")
  endif()
  if(NOT CMAKE_MATCH_1 STREQUAL EXPECTED)
    message(FATAL_ERROR "${file} is built for ${CMAKE_MATCH_1}, not ${EXPECTED}")
  endif()
  message(STATUS "${file}: ${CMAKE_MATCH_1}")
endforeach()
