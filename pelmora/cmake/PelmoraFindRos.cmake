# Imported targets for the ROS 2 runtime packages that a system provides.
# Used by the build and installed beside the package configuration.
#
# When ament_cmake has been found (a ROS 2 installation, or Debian with its
# ament-cmake), each package's own CMake configuration is used. Without it
# those configurations cannot load, and the headers and libraries are
# located directly under the same imported target names.

# pelmora_ros_package(<name> [LIBRARY <lib>] [STATIC] [OPTIONAL] [SHARED_ONLY])
# Makes <name>::<name> available. SHARED_ONLY accepts the package only when
# it has a shared library (Debian ships some only as static archives, which
# the build replaces; see compat/). OPTIONAL returns quietly when the
# package is missing. Each package found is recorded in the global property
# PELMORA_ROS_PACKAGES as the arguments of this call.
function(pelmora_ros_package name)
  cmake_parse_arguments(ARG "STATIC;OPTIONAL;SHARED_ONLY" "LIBRARY" "" ${ARGN})
  if(TARGET ${name}::${name})
    return()
  endif()
  if(ARG_SHARED_ONLY)
    find_library(${name}_SHARED_LIBRARY NAMES lib${ARG_LIBRARY}.so
      HINTS ENV AMENT_PREFIX_PATH PATH_SUFFIXES lib NO_CACHE)
    if(NOT ${name}_SHARED_LIBRARY)
      return()
    endif()
  endif()
  string(JOIN " " record ${name} ${ARGN})
  set_property(GLOBAL APPEND PROPERTY PELMORA_ROS_PACKAGES "${record}")
  if(ament_cmake_FOUND OR ament_cmake_core_FOUND)
    find_package(${name} QUIET CONFIG)
    if(TARGET ${name}::${name})
      return()
    endif()
  endif()
  find_path(${name}_INCLUDE_DIR NAMES ${name} PATH_SUFFIXES ${name} NO_CACHE)
  if(NOT ${name}_INCLUDE_DIR)
    pelmora_ros_package_missing("headers")
    return()
  endif()
  if(ARG_LIBRARY)
    if(ARG_STATIC)
      find_library(${name}_LIBRARY NAMES lib${ARG_LIBRARY}.a NO_CACHE)
    else()
      find_library(${name}_LIBRARY NAMES ${ARG_LIBRARY} NO_CACHE)
    endif()
    if(NOT ${name}_LIBRARY)
      pelmora_ros_package_missing("library ${ARG_LIBRARY}")
      return()
    endif()
    if(ARG_STATIC)
      add_library(${name}::${name} STATIC IMPORTED)
    else()
      add_library(${name}::${name} SHARED IMPORTED)
    endif()
    set_target_properties(${name}::${name} PROPERTIES IMPORTED_LOCATION ${${name}_LIBRARY})
  else()
    add_library(${name}::${name} INTERFACE IMPORTED)
  endif()
  set_target_properties(${name}::${name} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${${name}_INCLUDE_DIR})
endfunction()

# Fails the configuration for a required package; for an optional one,
# takes back its record.
macro(pelmora_ros_package_missing what)
  if(NOT ARG_OPTIONAL)
    message(FATAL_ERROR "ROS 2 package ${name} not found (${what})")
  endif()
  get_property(recorded GLOBAL PROPERTY PELMORA_ROS_PACKAGES)
  list(REMOVE_ITEM recorded "${record}")
  set_property(GLOBAL PROPERTY PELMORA_ROS_PACKAGES "${recorded}")
endmacro()

# pelmora_ros_runtime(): the packages every pelmora library builds on.
macro(pelmora_ros_runtime)
  pelmora_ros_package(rosidl_typesupport_interface)
  pelmora_ros_package(rcutils LIBRARY rcutils)
  pelmora_ros_package(rosidl_runtime_c LIBRARY rosidl_runtime_c)
  pelmora_ros_package(rosidl_runtime_cpp)
  get_target_property(links rosidl_runtime_c::rosidl_runtime_c INTERFACE_LINK_LIBRARIES)
  if(NOT links)
    # Located directly: give the targets the links their own configs declare.
    target_link_libraries(rosidl_runtime_c::rosidl_runtime_c INTERFACE
      rcutils::rcutils rosidl_typesupport_interface::rosidl_typesupport_interface)
    target_link_libraries(rosidl_runtime_cpp::rosidl_runtime_cpp INTERFACE
      rosidl_runtime_c::rosidl_runtime_c)
  endif()
endmacro()
