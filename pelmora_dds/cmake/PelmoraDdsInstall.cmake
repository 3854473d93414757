# Installs the package's libraries, their CMake targets and its
# configuration: ament's when ament_cmake is found (with the package index
# entry and environment hooks), otherwise the same configuration from the
# rules below. Programs and headers install from their folders.
include(CMakePackageConfigHelpers)

set(PELMORA_DDS_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME})
set(PELMORA_DDS_CMAKE_DIR ${PELMORA_DDS_SHARE_DIR}/cmake)

# libpelmora_dds; the command line for other programs that take the
# endpoint options or publish, with the two archives it is made of (inside
# libpelmora_dds they are hidden); the walker.
install(TARGETS pelmora_dds pelmora_dds_cli pelmora_dds_features pelmora_dds_security
    pelmora_cdr_walker
  EXPORT pelmora_ddsTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT pelmora_ddsTargets NAMESPACE pelmora_dds:: DESTINATION ${PELMORA_DDS_CMAKE_DIR})
install(FILES cmake/PelmoraPythonProgram.cmake DESTINATION ${PELMORA_DDS_CMAKE_DIR})

set(extras ${PROJECT_BINARY_DIR}/pelmora_dds-extras.cmake)
configure_file(cmake/pelmora_dds-extras.cmake.in ${extras} @ONLY)

if(ament_cmake_FOUND)
  # Programs find libpelmora_dds through RUNPATH; other packages' programs
  # need the library folder on the loader's path, as with any ament package.
  ament_environment_hooks("${ament_cmake_package_templates_ENVIRONMENT_HOOK_LIBRARY_PATH}")
  ament_package(CONFIG_EXTRAS ${extras})
else()
  file(WRITE ${PROJECT_BINARY_DIR}/pelmora_ddsConfig.cmake
    "include(\${CMAKE_CURRENT_LIST_DIR}/pelmora_dds-extras.cmake)\n")
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/pelmora_ddsConfig-version.cmake
    COMPATIBILITY SameMajorVersion)
  install(FILES ${extras}
    ${PROJECT_BINARY_DIR}/pelmora_ddsConfig.cmake
    ${PROJECT_BINARY_DIR}/pelmora_ddsConfig-version.cmake
    DESTINATION ${PELMORA_DDS_CMAKE_DIR})
  install(FILES package.xml DESTINATION ${PELMORA_DDS_SHARE_DIR})
  # The package index entry that ament_package() would write.
  file(WRITE ${PROJECT_BINARY_DIR}/ament_index/packages/${PROJECT_NAME} "")
  install(FILES ${PROJECT_BINARY_DIR}/ament_index/packages/${PROJECT_NAME}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/ament_index/resource_index/packages)
endif()
