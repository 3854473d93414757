# The RUNPATH of what the package installs, for a prefix that holds pelmora
# too (colcon's --merge-install, a system prefix): its programs and
# libraries find libpelmora_dds and pelmora's libraries in the prefix's
# library folder without LD_LIBRARY_PATH, as pelmora's own do.
#
# Where this system lacks a ROS 2 type-support package, pelmora's
# configuration names a private stand-in after it, kept in a folder below
# pelmora's library folder that only RUNPATHs name (so that it never
# shadows a real installation). Whatever links such a stand-in directly
# (the walker links the introspection identifiers) names that folder too.

set(PELMORA_DDS_LIBRARY_FOLDERS ${CMAKE_INSTALL_LIBDIR})
get_filename_component(PELMORA_PREFIX "${pelmora_DIR}/../../.." ABSOLUTE)
foreach(_package IN ITEMS rosidl_typesupport_fastrtps_c rosidl_typesupport_fastrtps_cpp
    rosidl_typesupport_introspection_c rosidl_typesupport_introspection_cpp)
  get_target_property(_stand_in ${_package}::${_package} ALIASED_TARGET)
  if(_stand_in)
    get_target_property(_location ${_stand_in} LOCATION)
    get_filename_component(_folder ${_location} DIRECTORY)
    file(RELATIVE_PATH _folder ${PELMORA_PREFIX} ${_folder})
    list(APPEND PELMORA_DDS_LIBRARY_FOLDERS ${_folder})
  endif()
endforeach()
list(REMOVE_DUPLICATES PELMORA_DDS_LIBRARY_FOLDERS)
unset(_package)
unset(_stand_in)
unset(_location)
unset(_folder)

# pelmora_dds_install_rpath(<target> <folder>): the RUNPATH of <target>
# installed in <folder> of the prefix: the library folders above, each
# relative to <folder>.
function(pelmora_dds_install_rpath target folder)
  set(runpath "")
  foreach(library_folder IN LISTS PELMORA_DDS_LIBRARY_FOLDERS)
    file(RELATIVE_PATH relative /prefix/${folder} /prefix/${library_folder})
    string(REGEX REPLACE "/$" "" relative "${relative}")
    if(relative)
      list(APPEND runpath "$ORIGIN/${relative}")
    else()
      list(APPEND runpath "$ORIGIN")
    endif()
  endforeach()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${runpath}")
endfunction()
