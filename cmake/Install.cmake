# Install rules, the CMake package, the pkg-config files and the Debian
# packages, cut like Debian's own library packages. Components:
#   utility   libKXAPI_Utility.so.1 alone: what a device with the real
#             sibling libraries installs
#   platform  libKXAPI_Platform.so.1: the siblings' stand-ins, for
#             development machines, CI and kxutil
#   tools     kxutil (its install rule is in tools/kxutil)
#   dev       headers (the siblings' included), the unversioned .so links,
#             the CMake package and the pkg-config files
include(CMakePackageConfigHelpers)

set(KX_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KXAPI_Utility)

install(TARGETS KXAPI_Utility
  EXPORT KXAPI_UtilityTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT utility
    NAMELINK_COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS KXAPI_Platform
  EXPORT KXAPI_UtilityTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT platform
    NAMELINK_COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(DIRECTORY
    ${PROJECT_SOURCE_DIR}/include/KXAPI
    ${PROJECT_SOURCE_DIR}/platform/include/KXPlatform
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT dev
  FILES_MATCHING PATTERN "*.h")

install(EXPORT KXAPI_UtilityTargets
  NAMESPACE KXAPI::
  DESTINATION ${KX_CMAKE_PACKAGE_DIR}
  COMPONENT dev)

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/KXAPI_UtilityConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KXAPI_UtilityConfig.cmake
  INSTALL_DESTINATION ${KX_CMAKE_PACKAGE_DIR})
# A new major version changes the SONAME, so only the same major matches.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/KXAPI_UtilityConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/KXAPI_UtilityConfig.cmake
    ${PROJECT_BINARY_DIR}/KXAPI_UtilityConfigVersion.cmake
  DESTINATION ${KX_CMAKE_PACKAGE_DIR}
  COMPONENT dev)

# pkg-config. The prefix is known only at install time (`cmake --install
# --prefix`, or /usr for the packages), so the files are written then, with
# the absolute include and library directories of the installation
# (file(INSTALL) puts DESTDIR in front by itself). Outside /usr the libraries
# are not on the loader's path, so the flags carry a run path to them: a
# program built with them starts without LD_LIBRARY_PATH.
foreach(pc IN ITEMS KXAPI_Utility KXAPI_Platform)
  # The install step fills in what is still marked @...@.
  set(KX_PC_PREFIX "@KX_PC_PREFIX@")
  set(KX_PC_RPATH "@KX_PC_RPATH@")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in
    ${PROJECT_BINARY_DIR}/pkgconfig/${pc}.pc.in @ONLY)
endforeach()
install(CODE "
  set(KX_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(KX_PC_RPATH \"-Wl,-rpath,\\\${libdir} \")
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(KX_PC_RPATH \"\")
  endif()
  foreach(pc IN ITEMS KXAPI_Utility KXAPI_Platform)
    configure_file(\"${PROJECT_BINARY_DIR}/pkgconfig/\${pc}.pc.in\"
      \"${PROJECT_BINARY_DIR}/pkgconfig/\${pc}.pc\" @ONLY)
  endforeach()
  file(INSTALL
    \"${PROJECT_BINARY_DIR}/pkgconfig/KXAPI_Utility.pc\"
    \"${PROJECT_BINARY_DIR}/pkgconfig/KXAPI_Platform.pc\"
    DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)"
  COMPONENT dev)

# Installed programs find the libraries through a run path relative to their
# own location, $ORIGIN/../lib (../lib/arm-linux-gnueabi in the device
# build), so that they start from any prefix and from the packages without
# LD_LIBRARY_PATH. Every executable of the project gets it once all
# directories are read; it takes effect where one is installed (kxutil).
file(RELATIVE_PATH KX_BIN_TO_LIBDIR /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
function(kx_set_program_run_paths dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${KX_BIN_TO_LIBDIR}")
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    kx_set_program_run_paths(${subdir})
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR}
  CALL kx_set_program_run_paths ${PROJECT_SOURCE_DIR})

# Debian packages: `cpack -G DEB` in a build folder makes one package per
# component. The toolchain files set CPACK_DEBIAN_PACKAGE_ARCHITECTURE for
# the cross builds; natively CPack asks dpkg.
set(KX_DEB_VERSION ${PROJECT_VERSION})
set(KX_DEB_UTILITY libkxapi-utility${PROJECT_VERSION_MAJOR})
set(KX_DEB_PLATFORM libkxapi-platform${PROJECT_VERSION_MAJOR})
# The C/C++ runtime of Debian 12 (glibc 2.36, GCC 12) that the binaries are
# built against; kxutil uses symbols of glibc 2.34. (dpkg-shlibdeps cannot
# work out exact minima in a cross build: dpkg knows no armel C library here.)
set(KX_DEB_RUNTIME "libc6 (>= 2.34), libgcc-s1, libstdc++6 (>= 12)")

set(CPACK_PACKAGE_NAME kxapi-utility)
set(CPACK_PACKAGE_VENDOR "KX device software")
set(CPACK_PACKAGE_CONTACT "KX device software <kx-device-software@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${KX_DEB_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL utility platform tools dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A shlibs file ("libKXAPI_Utility 1 libkxapi-utility1 (>= <version>)") and the
# ldconfig trigger for each package that holds a shared library, as Debian's
# own library packages have. (CPack also adds postinst and postrm scripts that
# run ldconfig; the trigger makes dpkg run it once more at the end.)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
file(WRITE ${PROJECT_BINARY_DIR}/deb-library/triggers "activate-noawait ldconfig\n")
foreach(component IN ITEMS UTILITY PLATFORM)
  set(CPACK_DEBIAN_${component}_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/deb-library/triggers)
  set(CPACK_DEBIAN_${component}_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endforeach()

set(CPACK_DEBIAN_UTILITY_PACKAGE_NAME ${KX_DEB_UTILITY})
set(CPACK_DEBIAN_UTILITY_PACKAGE_SECTION libs)
# The library alone: the sibling libraries come from the host's system (the
# device's own, or the stand-ins), so the package does not name them.
set(CPACK_DEBIAN_UTILITY_PACKAGE_DEPENDS "${KX_DEB_RUNTIME}")
set(CPACK_DEBIAN_UTILITY_PACKAGE_SUGGESTS "${KX_DEB_PLATFORM}")
set(CPACK_COMPONENT_UTILITY_DESCRIPTION
  "KX utility library\n Text encryption, timer registry, text and UTF conversion, device and\n system queries and a backtrace printer for the KX device. The library\n calls the error reporter, tick counter, event listener and UTF routines of\n the device's sibling libraries, which the host process loads.")

set(CPACK_DEBIAN_PLATFORM_PACKAGE_NAME ${KX_DEB_PLATFORM})
set(CPACK_DEBIAN_PLATFORM_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PLATFORM_PACKAGE_DEPENDS "${KX_DEB_RUNTIME}")
set(CPACK_COMPONENT_PLATFORM_DESCRIPTION
  "stand-ins for the KX device's sibling libraries\n Error reporter (to standard error), tick counter (CLOCK_MONOTONIC),\n event listener interface and UTF-8/UTF-32 routines, for development\n machines and tools. A device carries its own and does not need them.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME kxutil)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS
  "${KX_DEB_UTILITY} (= ${KX_DEB_VERSION}), ${KX_DEB_PLATFORM} (= ${KX_DEB_VERSION}), ${KX_DEB_RUNTIME}")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
  "KX utility library on the command line\n kxutil reports kernel build date, mounts and disk space, reads device\n files and version files, prints its own backtrace, and encrypts and\n decrypts texts in the library's format.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libkxapi-utility-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# The CMake package names both libraries' files, so both must be there.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
  "${KX_DEB_UTILITY} (= ${KX_DEB_VERSION}), ${KX_DEB_PLATFORM} (= ${KX_DEB_VERSION})")
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "KX utility library: development files\n Headers of the library and of the sibling interfaces, the CMake package\n (KXAPI::Utility, KXAPI::Platform) and the pkg-config files.")

# What every Debian package carries in /usr/share/doc/<package>: the copyright
# file and a changelog in Debian's format, compressed with gzip -9n; and the
# lintian overrides, each with its reason, in /usr/share/lintian/overrides.
# The changelog's date is the release date of the version in CHANGELOG.md
# (the build date while the version is unreleased).
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md kx_release_line
  REGEX "^## \\[${PROJECT_VERSION}\\] - [0-9-]+$")
if(kx_release_line MATCHES "([0-9]+-[0-9]+-[0-9]+)$")
  execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_1} 12:00"
    OUTPUT_VARIABLE KX_DEB_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
else()
  string(TIMESTAMP KX_DEB_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
set(KX_DEB_SOURCE ${CPACK_PACKAGE_NAME})
set(KX_DEB_DOC ${PROJECT_BINARY_DIR}/deb-doc)
configure_file(${PROJECT_SOURCE_DIR}/debian/changelog.in ${KX_DEB_DOC}/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${KX_DEB_DOC}/changelog COMMAND_ERROR_IS_FATAL ANY)
foreach(component IN ITEMS utility platform tools dev)
  string(TOUPPER ${component} kx_upper)
  set(KX_DEB_PACKAGE ${CPACK_DEBIAN_${kx_upper}_PACKAGE_NAME})
  set(kx_overrides ${KX_DEB_DOC}/${KX_DEB_PACKAGE}.overrides)
  configure_file(${PROJECT_SOURCE_DIR}/debian/all.lintian-overrides.in ${kx_overrides} @ONLY)
  # The libraries' and kxutil's own overrides follow the common ones.
  set(kx_own library)
  if(component MATCHES "tools|dev")
    set(kx_own ${component})
  endif()
  if(EXISTS ${PROJECT_SOURCE_DIR}/debian/${kx_own}.lintian-overrides.in)
    configure_file(${PROJECT_SOURCE_DIR}/debian/${kx_own}.lintian-overrides.in
      ${kx_overrides}.own @ONLY)
    file(READ ${kx_overrides}.own kx_text)
    file(APPEND ${kx_overrides} "${kx_text}")
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/debian/copyright ${KX_DEB_DOC}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KX_DEB_PACKAGE}
    COMPONENT ${component})
  install(FILES ${kx_overrides}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
    RENAME ${KX_DEB_PACKAGE}
    COMPONENT ${component})
endforeach()

include(CPack)
