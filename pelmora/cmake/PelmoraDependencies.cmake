# Locates Python, ament_cmake (optional), the ROS 2 runtime pieces and
# Fast-CDR: everything the interface builds on, and nothing else.
#
# The interpreter comes first: ament_cmake runs its templates with the
# Python3::Interpreter it finds, and only Debian's interpreter has Debian's
# Python packages (ament_package among them); another python3 earlier on
# PATH lacks them.
set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "Interpreter for ament, the Python modules and the test scripts")
if(PELMORA_BUILD_PYTHON)
  find_package(Python3 REQUIRED COMPONENTS Interpreter Development.Module)
  include(${CMAKE_CURRENT_LIST_DIR}/PelmoraPython.cmake)
else()
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
endif()

# With ament_cmake the package installs itself as an ament package (index,
# environment hooks, configuration); without it (or when CMake is told to
# ignore it with -DCMAKE_DISABLE_FIND_PACKAGE_ament_cmake=ON) the same files
# come from the project's own rules.
find_package(ament_cmake QUIET)

include(${CMAKE_CURRENT_LIST_DIR}/PelmoraFindRos.cmake)
pelmora_ros_runtime()

# The type-support packages that Debian does not ship, or ships only as
# static archives: the real ones when present, otherwise compat/ builds
# private stand-ins under the same target names.
foreach(package IN ITEMS rosidl_typesupport_c rosidl_typesupport_cpp
    rosidl_typesupport_fastrtps_c rosidl_typesupport_fastrtps_cpp)
  pelmora_ros_package(${package} LIBRARY ${package} OPTIONAL)
endforeach()
foreach(package IN ITEMS rosidl_typesupport_introspection_c rosidl_typesupport_introspection_cpp)
  pelmora_ros_package(${package} LIBRARY ${package} OPTIONAL SHARED_ONLY)
endforeach()

find_package(fastcdr 1 REQUIRED CONFIG)
