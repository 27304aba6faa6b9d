# Compares `nm -DC --defined-only LIBRARY` (type and name, addresses dropped)
# with the union of the lists in EXPECTED_DIR and prints both differences.
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
    set(type "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    # Compilers differ in how they emit virtual tables and type information
    # (weak V with g++, D or R with clang); the list records them as V.
    if(name MATCHES "^(vtable|typeinfo|typeinfo name) for ")
      set(type V)
    endif()
    list(APPEND actual "${type} ${name}")
  endif()
endforeach()

file(GLOB lists ${EXPECTED_DIR}/*.txt)
set(expected)
foreach(f IN LISTS lists)
  file(STRINGS ${f} lines)
  foreach(line IN LISTS lines)
    if(NOT line STREQUAL "" AND NOT line MATCHES "^#")
      list(APPEND expected "${line}")
    endif()
  endforeach()
endforeach()

list(SORT actual)
list(SORT expected)
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
