# Installs the package as a ROS 2 interface package: the libraries, headers
# and Python package, the interface files, the ament index resources, the
# environment hooks and the CMake package configuration under
# share/pelmora/cmake. With ament_cmake, ament_package() writes the
# configuration, hooks and package index entry; without it the rules below
# write the same files.
include(CMakePackageConfigHelpers)

set(PELMORA_SHARE_DIR share/${PROJECT_NAME})
set(PELMORA_CMAKE_DIR ${PELMORA_SHARE_DIR}/cmake)
set(PELMORA_INTERFACE_FILES msg/Features.idl msg/Features.msg)
pelmora_installed_targets(pelmora_targets pelmoraTargets)
pelmora_installed_targets(compat_targets pelmoraCompatTargets)

# --- libraries and their CMake targets ---------------------------------------

if(compat_targets)
  install(TARGETS ${compat_targets} EXPORT pelmoraCompatTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/${PELMORA_COMPAT_FOLDER})
  install(EXPORT pelmoraCompatTargets NAMESPACE pelmora_compat:: DESTINATION ${PELMORA_CMAKE_DIR})
endif()

install(TARGETS ${pelmora_targets} EXPORT pelmoraTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT pelmoraTargets NAMESPACE pelmora:: DESTINATION ${PELMORA_CMAKE_DIR})

# The configuration looks the ROS 2 packages up again the way this build
# found them: one pelmora_ros_package() call per package.
get_property(ros_packages GLOBAL PROPERTY PELMORA_ROS_PACKAGES)
list(TRANSFORM ros_packages PREPEND "pelmora_ros_package(")
list(TRANSFORM ros_packages APPEND ")")
string(JOIN "\n" PELMORA_ROS_PACKAGE_CALLS ${ros_packages})
# What ament_target_dependencies() links: every library a C or C++ program
# can use (the Python conversion library needs the importing interpreter).
# The stand-ins are imported as pelmora_compat::<package>; the configuration
# gives each the name of the package it stands for, as the build does.
list(TRANSFORM compat_targets REPLACE "^pelmora_compat_" "" OUTPUT_VARIABLE PELMORA_COMPAT_PACKAGES)
set(PELMORA_LINKABLE_TARGETS ${pelmora_targets})
list(REMOVE_ITEM PELMORA_LINKABLE_TARGETS pelmora__rosidl_generator_py)
set(PELMORA_EXTRAS ${PROJECT_BINARY_DIR}/pelmora-extras.cmake)
configure_file(cmake/pelmora-extras.cmake.in ${PELMORA_EXTRAS} @ONLY)
install(FILES cmake/PelmoraFindRos.cmake DESTINATION ${PELMORA_CMAKE_DIR})
# For the sibling packages to include() on purpose (their build flags and
# their left-out tests follow pelmora's); the configuration never includes
# them.
install(FILES cmake/PelmoraBuildFlags.cmake cmake/hidden_std_instantiations.map
  cmake/PelmoraOptional.cmake DESTINATION ${PELMORA_CMAKE_DIR})

# --- interface definitions and ament index -----------------------------------

install(FILES ${PELMORA_INTERFACE_FILES} DESTINATION ${PELMORA_SHARE_DIR}/msg)

# pelmora_index_resource(<type> <content>): the ament index entry of this
# package for one resource type.
function(pelmora_index_resource type content)
  if(ament_cmake_FOUND)
    ament_index_register_resource(${type} CONTENT "${content}")
  else()
    set(marker ${PROJECT_BINARY_DIR}/ament_index/${type}/${PROJECT_NAME})
    file(WRITE ${marker} "${content}")
    install(FILES ${marker} DESTINATION share/ament_index/resource_index/${type})
  endif()
endfunction()

string(JOIN "\n" interfaces ${PELMORA_INTERFACE_FILES})
pelmora_index_resource(rosidl_interfaces "${interfaces}\n")

# --- environment hooks, package index entry and configuration ----------------

if(ament_cmake_FOUND)
  # The libraries are found through RUNPATH, but consumers' programs need
  # the library folder on the loader's path as with any ament package.
  ament_environment_hooks("${ament_cmake_package_templates_ENVIRONMENT_HOOK_LIBRARY_PATH}")
  if(PELMORA_BUILD_PYTHON)
    set(PYTHON_INSTALL_DIR ${PELMORA_PYTHON_INSTALL_DIR})
    set(AMENT_CMAKE_ENVIRONMENT_HOOKS_DESC_pythonpath
      "prepend-non-duplicate;PYTHONPATH;${PELMORA_PYTHON_INSTALL_DIR}")
    ament_environment_hooks("${ament_cmake_package_templates_ENVIRONMENT_HOOK_PYTHONPATH}")
  endif()
  ament_package(CONFIG_EXTRAS ${PELMORA_EXTRAS})
else()
  include(${CMAKE_CURRENT_LIST_DIR}/PelmoraEnvironment.cmake)
  pelmora_index_resource(packages "")
  install(FILES package.xml DESTINATION ${PELMORA_SHARE_DIR})
  configure_package_config_file(cmake/pelmoraConfig.cmake.in
    ${PROJECT_BINARY_DIR}/pelmoraConfig.cmake INSTALL_DESTINATION ${PELMORA_CMAKE_DIR})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/pelmoraConfig-version.cmake
    COMPATIBILITY SameMajorVersion)
  install(FILES
    ${PROJECT_BINARY_DIR}/pelmoraConfig.cmake
    ${PROJECT_BINARY_DIR}/pelmoraConfig-version.cmake
    ${PELMORA_EXTRAS}
    DESTINATION ${PELMORA_CMAKE_DIR})
endif()
