# Locates Python, ament_cmake (optional), the ROS 2 runtime pieces,
# Fast-CDR and the optional Cyclone DDS and OpenCV.
#
# The interpreter comes first: ament_cmake runs its templates with the
# Python3::Interpreter it finds, and only Debian's interpreter has Debian's
# Python packages (ament_package among them); another python3 earlier on
# PATH lacks them.
set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "Interpreter for ament, the Python modules and the test scripts")
if(PELMORA_BUILD_PYTHON)
  find_package(Python3 REQUIRED COMPONENTS Interpreter Development.Module)
  include(${CMAKE_CURRENT_LIST_DIR}/PelmoraPython.cmake)
  # Only the tests use the debug interpreter.
  if(PELMORA_BUILD_TESTS)
    pelmora_find_debug_python()
  endif()
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

# Cyclone DDS (optional): the second DDS backend of the tools and the idlc
# witness of the interoperability tests.
find_package(CycloneDDS CONFIG QUIET)
if(NOT CycloneDDS_FOUND)
  pelmora_left_out(cyclonedds-dev "pelmora-dds offers Fast DDS only and the Cyclone DDS tests are not built")
endif()

# OpenCV (optional): libpelmora_features_cv, the stereo extraction and their
# tests. Found here so that its imported targets are seen in every folder.
find_package(OpenCV QUIET COMPONENTS core features2d imgcodecs)
if(NOT OpenCV_FOUND)
  pelmora_left_out(libopencv-dev
    "libpelmora_features_cv, pelmora-stereo-extract and their tests are not built")
endif()

# The real stereo pair of Debian's python3-skimage (the folder holding
# motorcycle_left.png and motorcycle_right.png): the default images of
# pelmora-stereo-extract and the data of the tests that use real images.
# The default is the installed package's folder when it is there; a copy
# unpacked elsewhere (apt-get download, dpkg-deb -x) is passed by hand.
set(_pelmora_skimage_data /usr/lib/python3/dist-packages/skimage/data)
if(NOT EXISTS ${_pelmora_skimage_data}/motorcycle_left.png)
  set(_pelmora_skimage_data "")
endif()
set(PELMORA_STEREO_DATA_DIR "${_pelmora_skimage_data}" CACHE PATH
  "Folder holding motorcycle_left.png and motorcycle_right.png (python3-skimage's data)")
unset(_pelmora_skimage_data)
if(NOT PELMORA_STEREO_DATA_DIR AND PELMORA_BUILD_TESTS)
  pelmora_left_out("the stereo pair (scripts/lib/stereo-data.sh)"
    "the tests on real images skip (set PELMORA_STEREO_DATA_DIR)")
endif()
