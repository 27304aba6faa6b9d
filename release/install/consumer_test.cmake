cmake_minimum_required(VERSION 3.25)
# Installs the build in BUILD_DIR into the scratch prefix WORK_DIR/prefix,
# runs the installed kxutil (KXUTIL, its path in the prefix, if it is built)
# and builds the consumer project against it, once through find_package, once
# through pkg-config. Each program links the library and the stand-ins and
# must start with an empty loader path (through the emulator when cross
# compiling); each variant that forgets the stand-ins must fail to link,
# naming a sibling function that the library calls. Run with cmake -P; see
# CMakeLists.txt for the variables.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " cmd)
    message(FATAL_ERROR "failed (${rc}): ${cmd}\n${out}")
  endif()
  message(STATUS "${out}")
  set(out "${out}" PARENT_SCOPE)
endfunction()

# Runs a built program of the target with no LD_LIBRARY_PATH: only its run
# path can lead the loader to the libraries of the prefix.
function(run_program)
  run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${EMULATOR} ${ARGN})
  set(out "${out}" PARENT_SCOPE)
endfunction()

# The command must fail, and its output name a sibling function as left
# undefined by the utility library.
function(expect_sibling_link_error)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(sibling "KX::kxPrintError|KX::KXTick::getTickCount|ConvertUTF(8toUTF32|32toUTF8)")
  if(rc EQUAL 0 OR NOT out MATCHES "libKXAPI_Utility[^:\n]*: undefined reference to `(${sibling})")
    list(JOIN ARGN " " cmd)
    message(FATAL_ERROR "linking without the stand-ins must fail on a sibling "
      "function of the library (${rc}): ${cmd}\n${out}")
  endif()
  message(STATUS "without the stand-ins: undefined reference to ${CMAKE_MATCH_1}")
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --config ${CONFIG})

# What the packages promise is there.
foreach(f
    include/KXAPI/KXStringTokenizer.h
    include/KXPlatform/KXEvent.h
    ${LIBDIR}/libKXAPI_Utility.so.${VERSION_MAJOR}
    ${LIBDIR}/libKXAPI_Platform.so.${VERSION_MAJOR}
    ${LIBDIR}/libKXAPI_Utility.so
    ${LIBDIR}/libKXAPI_Platform.so
    ${LIBDIR}/cmake/KXAPI_Utility/KXAPI_UtilityConfig.cmake
    ${LIBDIR}/cmake/KXAPI_Utility/KXAPI_UtilityConfigVersion.cmake
    ${LIBDIR}/pkgconfig/KXAPI_Utility.pc
    ${LIBDIR}/pkgconfig/KXAPI_Platform.pc)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# The installed kxutil finds the libraries on its own run path, relative to
# its location, so that it works from any prefix and from the packages: it
# runs from the prefix moved elsewhere.
if(KXUTIL)
  set(moved ${WORK_DIR}/moved)
  file(RENAME ${prefix} ${moved})
  run_program(${moved}/${KXUTIL} --version)
  file(RENAME ${moved} ${prefix})
  if(NOT out MATCHES "kxutil ${VERSION}")
    message(FATAL_ERROR "installed kxutil --version: \"${out}\", expected kxutil ${VERSION}")
  endif()
endif()

# find_package. A cross build looks for packages only below its find roots,
# so the prefix becomes one.
set(configure_args -G ${GENERATOR} -DCMAKE_BUILD_TYPE=${CONFIG}
  -DCMAKE_PREFIX_PATH=${prefix})
if(TOOLCHAIN)
  list(APPEND configure_args -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
    -DCMAKE_FIND_ROOT_PATH=${prefix})
endif()
set(cmake_build ${WORK_DIR}/cmake-build)
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${cmake_build} ${configure_args})
run(${CMAKE_COMMAND} --build ${cmake_build})
run_program(${cmake_build}/kx_consumer)
expect_sibling_link_error(${CMAKE_COMMAND} --build ${cmake_build} --target kx_consumer_alone)

# pkg-config, with the compiler of the build and no run path of our own.
find_program(PKG_CONFIG pkg-config REQUIRED)
set(ENV{PKG_CONFIG_LIBDIR} ${prefix}/${LIBDIR}/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
function(pkg_config_flags out)
  execute_process(COMMAND ${PKG_CONFIG} --cflags --libs ${ARGN}
    RESULT_VARIABLE rc OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pkg-config does not know ${ARGN}")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()
set(cxxflags)
if(TOOLCHAIN MATCHES "armv6")
  set(cxxflags -march=armv6 -marm)
endif()
# The library directory is the prefix's own, with no detour through the
# pkgconfig directory, in the flags and in the run path built from them.
execute_process(COMMAND ${PKG_CONFIG} --variable=libdir KXAPI_Utility
  OUTPUT_VARIABLE libdir OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT libdir STREQUAL "${prefix}/${LIBDIR}")
  message(FATAL_ERROR "KXAPI_Utility.pc: libdir is \"${libdir}\", expected ${prefix}/${LIBDIR}")
endif()
pkg_config_flags(both KXAPI_Utility KXAPI_Platform)
run(${CXX} -std=c++17 ${cxxflags} ${CONSUMER_DIR}/main.cpp ${both}
  -o ${WORK_DIR}/kx_consumer_pc)
run_program(${WORK_DIR}/kx_consumer_pc)
pkg_config_flags(alone KXAPI_Utility)
expect_sibling_link_error(${CXX} -std=c++17 ${cxxflags} ${CONSUMER_DIR}/main.cpp ${alone}
  -o ${WORK_DIR}/kx_consumer_pc_alone)
