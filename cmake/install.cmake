# Installs the shared library with its headers and a CMake package, so that a program built
# elsewhere finds it with find_package(nrxJobDb) and links nrxJobDb::nrxJobDb.

include(CMakePackageConfigHelpers)

set(NRX_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/nrxJobDb)

install(TARGETS nrxJobDb EXPORT nrxJobDbTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/nrxJobDb
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
install(EXPORT nrxJobDbTargets NAMESPACE nrxJobDb:: DESTINATION ${NRX_PACKAGE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/nrxJobDbConfig.cmake.in
  ${PROJECT_BINARY_DIR}/nrxJobDbConfig.cmake
  INSTALL_DESTINATION ${NRX_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/nrxJobDbConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/nrxJobDbConfig.cmake
              ${PROJECT_BINARY_DIR}/nrxJobDbConfigVersion.cmake
  DESTINATION ${NRX_PACKAGE_DIR})
