cmake_minimum_required(VERSION 3.25)
# Installs the build in BUILD_DIR into WORK_DIR/prefix and builds and runs
# the consumer project against it: once through find_package, once through
# pkg-config. Run with cmake -P; see CMakeLists.txt for the variables.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " cmd)
    message(FATAL_ERROR "failed (${rc}): ${cmd}\n${out}")
  endif()
  message(STATUS "${out}")
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --config ${CONFIG})

# What the two packages promise is there.
foreach(f
    include/KXAPI/KXStringTokenizer.h
    include/KXPlatform/KXEvent.h
    ${LIBDIR}/libKXAPI_Utility.so.1
    ${LIBDIR}/libKXAPI_Platform.so.1
    ${LIBDIR}/libKXAPI_Utility.so
    ${LIBDIR}/cmake/KXAPI_Utility/KXAPI_UtilityConfig.cmake
    ${LIBDIR}/cmake/KXAPI_Utility/KXAPI_UtilityConfigVersion.cmake
    ${LIBDIR}/pkgconfig/KXAPI_Utility.pc)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# find_package. A cross build looks for packages only below its find roots,
# so the prefix becomes one.
set(configure_args -G ${GENERATOR} -DCMAKE_BUILD_TYPE=${CONFIG}
  -DCMAKE_PREFIX_PATH=${prefix})
if(TOOLCHAIN)
  list(APPEND configure_args -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
    -DCMAKE_FIND_ROOT_PATH=${prefix})
endif()
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/cmake-build ${configure_args})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run(${EMULATOR} ${WORK_DIR}/cmake-build/kx_consumer)

# pkg-config, with the compiler of the build.
find_program(PKG_CONFIG pkg-config REQUIRED)
set(ENV{PKG_CONFIG_LIBDIR} ${prefix}/${LIBDIR}/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs KXAPI_Utility
  RESULT_VARIABLE rc OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know KXAPI_Utility")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
if(NOT "-lKXAPI_Platform" IN_LIST flags)
  message(FATAL_ERROR "pkg-config --libs KXAPI_Utility lacks the platform library: ${flags}")
endif()
set(cxxflags)
if(TOOLCHAIN MATCHES "armv6")
  set(cxxflags -march=armv6 -marm)
endif()
run(${CXX} -std=c++17 ${cxxflags} ${CONSUMER_DIR}/main.cpp ${flags}
  -Wl,-rpath,${prefix}/${LIBDIR} -o ${WORK_DIR}/kx_consumer_pc)
run(${EMULATOR} ${WORK_DIR}/kx_consumer_pc)
