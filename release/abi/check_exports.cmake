# Compares `nm -DC --defined-only LIBRARY` (type and name, addresses dropped)
# with the union of the lists in EXPECTED_DIR and prints both differences.
#
# The lists serve every target. Data objects are one kind whatever section
# or binding they have: the same virtual table or type information is "V"
# (weak, in a COMDAT group) on x86-64 and "D" or "R" on ARM EABI, where the
# key function places it. So the letters B, D, G, R, S and V all compare as
# "D"; functions keep their letter.
function(kx_normalise_symbol line out)
  if(line MATCHES "^[BDGRSV] (.+)$")
    set(line "D ${CMAKE_MATCH_1}")
  endif()
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

execute_process(
  COMMAND ${NM} -DC --defined-only ${LIBRARY}
  OUTPUT_VARIABLE nm_out
  RESULT_VARIABLE nm_rc)
if(NOT nm_rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

string(REPLACE "\n" ";" nm_lines "${nm_out}")
set(actual)
foreach(line IN LISTS nm_lines)
  # "<address> <type> <name>" -> "<type> <name>"
  if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.+)$")
    kx_normalise_symbol("${CMAKE_MATCH_1} ${CMAKE_MATCH_2}" symbol)
    list(APPEND actual "${symbol}")
  endif()
endforeach()

file(GLOB lists ${EXPECTED_DIR}/*.txt)
set(expected)
foreach(f IN LISTS lists)
  file(STRINGS ${f} lines)
  foreach(line IN LISTS lines)
    if(NOT line STREQUAL "" AND NOT line MATCHES "^#")
      kx_normalise_symbol("${line}" symbol)
      list(APPEND expected "${symbol}")
    endif()
  endforeach()
endforeach()

list(SORT actual)
list(SORT expected)
# The whole exported list, for updating the lists after an intended change.
if(ACTUAL_OUT)
  list(JOIN actual "\n" text)
  file(WRITE ${ACTUAL_OUT} "${text}\n")
endif()
set(unexpected ${actual})
list(REMOVE_ITEM unexpected ${expected})
set(missing ${expected})
list(REMOVE_ITEM missing ${actual})

if(unexpected OR missing)
  list(JOIN unexpected "\n  " u)
  list(JOIN missing "\n  " m)
  message(FATAL_ERROR "Exported symbols differ from ${EXPECTED_DIR}\n"
    "exported but not listed:\n  ${u}\nlisted but not exported:\n  ${m}")
endif()
list(LENGTH actual n)
message(STATUS "${n} exported symbols match the list")
