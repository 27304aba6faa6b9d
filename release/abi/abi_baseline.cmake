# Compares the ABI of LIBRARY (types from DWARF, restricted to the public
# headers, plus the ELF symbols) with the libabigail baseline BASELINE, or
# with MODE=update writes the baseline anew. Run with cmake -P:
#   -DABIDW=... -DABIDIFF=... -DLIBRARY=<.so> -DBASELINE=<.abi>
#   -DHEADERS=<dir;dir> [-DMODE=update]
# The library must be built with debug information (-g): without it only
# the symbols are compared, and a changed class layout goes unseen.
set(header_args)
set(header_args2)
foreach(dir IN LISTS HEADERS)
  list(APPEND header_args --headers-dir ${dir})
  list(APPEND header_args2 --hd2 ${dir})
endforeach()

if(MODE STREQUAL "update")
  # No paths: the baseline must not depend on where the tree was built.
  execute_process(
    COMMAND ${ABIDW} ${header_args} --drop-private-types --no-corpus-path
      --no-comp-dir-path --short-locs --out-file ${BASELINE} ${LIBRARY}
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "abidw failed (${rc}) on ${LIBRARY}")
  endif()
  message(STATUS "wrote ${BASELINE}")
  return()
endif()

if(NOT EXISTS ${BASELINE})
  message(FATAL_ERROR "no ABI baseline ${BASELINE}: run scripts/update-abi-baseline.sh")
endif()
# abidiff's status is a bit mask: 1 error, 2 usage, 4 ABI change, 8 an
# incompatible change. Any change fails: an addition needs a new baseline
# too, so that the next change is measured against it.
execute_process(
  COMMAND ${ABIDIFF} ${header_args2} --drop-private-types --no-show-locs
    ${BASELINE} ${LIBRARY}
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE report
  ERROR_VARIABLE report)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "The ABI of ${LIBRARY} differs from ${BASELINE} "
    "(abidiff status ${rc}):\n${report}\n"
    "If the change is intended, run scripts/update-abi-baseline.sh and "
    "commit the new baseline.")
endif()
message(STATUS "ABI matches ${BASELINE}")
