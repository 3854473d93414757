# Locates the ROS 2 runtime pieces, Fast-CDR and (optionally) Python.
#
# Debian packages the ROS 2 runtime headers and libraries without ament, so
# their CMake configs cannot be loaded there. When ament_cmake is present (a
# real ROS 2 installation) the packages' own configs are used; otherwise the
# headers and libraries are located directly and given the same imported
# target names. ROS 2 packages that Debian does not ship at all come from the
# project's compat layer (see compat/).
include(${CMAKE_CURRENT_LIST_DIR}/PelmoraFindRos.cmake)

find_package(fastcdr 1 REQUIRED CONFIG)

# Debian's interpreter: another python3 earlier on PATH lacks Debian's packages.
set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "Interpreter for the Python modules and test scripts")
if(PELMORA_BUILD_PYTHON)
  find_package(Python3 REQUIRED COMPONENTS Interpreter Development.Module)
else()
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
endif()
