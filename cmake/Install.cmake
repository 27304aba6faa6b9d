# Install rules, the CMake package, the pkg-config files and the Debian
# packages. Components:
#   runtime  the shared libraries with their SONAME links (and kxutil)
#   dev      headers, the unversioned .so links, CMake and pkg-config files
include(CMakePackageConfigHelpers)

set(KX_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KXAPI_Utility)

install(TARGETS KXAPI_Utility KXAPI_Platform
  EXPORT KXAPI_UtilityTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT runtime
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

# pkg-config: paths relative to the .pc file, so that the installed tree can
# be moved (a staging prefix, a device image).
file(RELATIVE_PATH KX_PC_TO_PREFIX
  /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
foreach(pc IN ITEMS KXAPI_Utility KXAPI_Platform)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in
    ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT dev)
endforeach()

# Debian packages: `cpack -G DEB` in a build folder makes one package per
# component. The toolchain files set CPACK_DEBIAN_PACKAGE_ARCHITECTURE for
# the cross builds; natively CPack asks dpkg.
set(CPACK_PACKAGE_NAME kxapi-utility)
set(CPACK_PACKAGE_VENDOR "KX device software")
set(CPACK_PACKAGE_CONTACT "KX device software <kx-device-software@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkxapi-utility${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libc6, libstdc++6")
# A shlibs file and the ldconfig trigger for the shared libraries.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "KX utility library: the shared libraries and the kxutil tool")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libkxapi-utility-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
  "libkxapi-utility${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "KX utility library: headers, CMake package and pkg-config files")
include(CPack)
