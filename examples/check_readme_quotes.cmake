# cmake -DROOT=<source dir> -DEXAMPLES=examples -P check_readme_quotes.cmake
# Every ```cpp block of the README and of docs/*.md that follows a line "From
# `examples/NAME.cpp`:" must appear, character for character, in that file,
# so that the documentation quotes code that is compiled and run. The README
# must quote at least one example: its complete program.

# check_quotes(FILE COUNT_VAR) checks the quotes of FILE and sets COUNT_VAR
# to their number.
function(check_quotes doc count_var)
  file(READ ${doc} text)
  file(RELATIVE_PATH name ${ROOT} ${doc})
  set(marker "From `examples/")
  set(quotes 0)
  string(FIND "${text}" "${marker}" at)
  while(at GREATER -1)
    string(SUBSTRING "${text}" ${at} -1 rest)
    if(NOT rest MATCHES "^From `examples/([A-Za-z0-9_]+\\.cpp)`:\n\n```cpp\n")
      message(FATAL_ERROR "${name}: a quote must read \"From `examples/NAME.cpp`:\", "
                          "a blank line, then a ```cpp block:\n${rest}")
    endif()
    set(example ${CMAKE_MATCH_1})
    string(LENGTH "${CMAKE_MATCH_0}" head)
    string(SUBSTRING "${rest}" ${head} -1 rest)
    string(FIND "${rest}" "```" end)
    string(SUBSTRING "${rest}" 0 ${end} quote)
    file(READ ${EXAMPLES}/${example} source)
    string(FIND "${source}" "${quote}" found)
    if(found EQUAL -1)
      message(FATAL_ERROR "${name} quotes examples/${example}, but the file does not hold:\n${quote}")
    endif()
    math(EXPR quotes "${quotes} + 1")
    string(FIND "${rest}" "${marker}" next)
    if(next EQUAL -1)
      break()
    endif()
    string(SUBSTRING "${rest}" ${next} -1 text)
    set(at 0)
  endwhile()
  message("${name}: ${quotes} quotes of examples/ checked")
  set(${count_var} ${quotes} PARENT_SCOPE)
endfunction()

check_quotes(${ROOT}/README.md readme_quotes)
if(readme_quotes EQUAL 0)
  message(FATAL_ERROR "README.md quotes no example")
endif()
file(GLOB docs ${ROOT}/docs/*.md)
foreach(doc IN LISTS docs)
  check_quotes(${doc} count)
endforeach()
