# cmake -DEMULATOR=... -DSTATUS=n -DEXPECT=regex;... -P run_example.cmake PROGRAM [ARGS...]
# Runs PROGRAM (under EMULATOR, if set) and fails unless it exits with STATUS
# and its output, stdout and stderr together, matches every regex of EXPECT.
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(found_script)
    list(APPEND command "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} MATCHES "run_example\\.cmake$")
    set(found_script TRUE)
  endif()
endforeach()
separate_arguments(emulator UNIX_COMMAND "${EMULATOR}")

execute_process(COMMAND ${emulator} ${command}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "exit status ${status}, expected ${STATUS}")
endif()
foreach(regex IN LISTS EXPECT)
  if(NOT output MATCHES "${regex}")
    message(FATAL_ERROR "the output does not match \"${regex}\"")
  endif()
endforeach()
