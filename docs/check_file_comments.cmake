# Fails when a header in HEADER_DIRS has no "/// \file" comment: doxygen
# leaves the global declarations of such a header out of the reference
# without a warning.
foreach(dir IN LISTS HEADER_DIRS)
  file(GLOB headers ${dir}/*.h)
  foreach(header IN LISTS headers)
    file(STRINGS ${header} file_comment REGEX "^/// \\\\file$")
    if(NOT file_comment)
      list(APPEND missing ${header})
    endif()
  endforeach()
endforeach()
if(missing)
  list(JOIN missing "\n  " missing)
  message(FATAL_ERROR "Headers without a /// \\file comment:\n  ${missing}")
endif()
