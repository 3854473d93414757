# Installs every deliverable library, the compat libraries they link, and a
# CMake package config, so that find_package(pelmora) gives pelmora::<library>.
include(CMakePackageConfigHelpers)

set(PELMORA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/pelmora)
get_property(pelmora_targets GLOBAL PROPERTY PELMORA_INSTALL_TARGETS)

if(PELMORA_COMPAT_TARGETS)
  install(TARGETS ${PELMORA_COMPAT_TARGETS} EXPORT pelmoraCompatTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(EXPORT pelmoraCompatTargets NAMESPACE pelmora_compat:: DESTINATION ${PELMORA_CMAKE_DIR})
endif()

install(TARGETS ${pelmora_targets} EXPORT pelmoraTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT pelmoraTargets NAMESPACE pelmora:: DESTINATION ${PELMORA_CMAKE_DIR})

configure_package_config_file(cmake/pelmoraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/pelmoraConfig.cmake INSTALL_DESTINATION ${PELMORA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/pelmoraConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/pelmoraConfig.cmake
  ${PROJECT_BINARY_DIR}/pelmoraConfigVersion.cmake
  cmake/PelmoraFindRos.cmake
  DESTINATION ${PELMORA_CMAKE_DIR})
