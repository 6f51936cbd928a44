# Installation: libraries, headers, a CMake package config and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS vcl CorvanePack CorvaneDesign
        EXPORT CorvaneTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/corvane)

install(EXPORT CorvaneTargets
        NAMESPACE Corvane::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Corvane)

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/CorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/CorvaneConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Corvane)
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/CorvaneConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/CorvaneConfig.cmake
              ${PROJECT_BINARY_DIR}/CorvaneConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Corvane)

# The pkg-config file finds the prefix relative to itself, so that it stays
# right when the install is moved or made with `cmake --install --prefix`.
file(RELATIVE_PATH CORVANE_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" CORVANE_PC_TO_PREFIX "${CORVANE_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/corvane.pc.in ${PROJECT_BINARY_DIR}/corvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/corvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
