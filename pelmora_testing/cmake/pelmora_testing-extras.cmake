# What find_package(pelmora_testing) gives, all below the install prefix:
#   pelmora_testing::pelmora_testing  INTERFACE target: the test-support and
#       benchmark headers (include/pelmora_testing, included by bare name as
#       "features_vectors.hpp") and the definitions PELMORA_VECTORS_FILE and
#       PELMORA_HOSTILE_PAYLOADS_FILE naming the installed vector files. The
#       headers include pelmora's message headers: a user links pelmora too.
#   pelmora_testing_PYTHON_DIR   the tests' Python helpers, the shared pytest
#                                fixtures (pelmora_fixtures) and
#                                pelmora_harness (for a test's PYTHONPATH)
#   pelmora_testing_SCRIPTS_DIR  check_exports.py, check_benchmark_run.py,
#                                run_memcheck.py
#   pelmora_testing_VECTORS_DIR  features_vectors.txt, hostile_payloads.txt
#                                and the scripts that write them
#   pelmora_testing_add_cdr_peer(<target>)  builds the stand-in middleware
#       that pelmora_fixtures' `native` fixture loads (PELMORA_TEST_PEER) as
#       the shared library <target>; call it after find_package(pelmora).

get_filename_component(_pelmora_testing_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
set(_pelmora_testing_share ${_pelmora_testing_prefix}/share/pelmora_testing)
set(pelmora_testing_PYTHON_DIR ${_pelmora_testing_share}/python)
set(pelmora_testing_SCRIPTS_DIR ${_pelmora_testing_share}/scripts)
set(pelmora_testing_VECTORS_DIR ${_pelmora_testing_share}/vectors)

if(NOT TARGET pelmora_testing::pelmora_testing)
  add_library(pelmora_testing::pelmora_testing INTERFACE IMPORTED)
  set_target_properties(pelmora_testing::pelmora_testing PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${_pelmora_testing_prefix}/include/pelmora_testing
    INTERFACE_COMPILE_DEFINITIONS
      "PELMORA_VECTORS_FILE=\"${pelmora_testing_VECTORS_DIR}/features_vectors.txt\";PELMORA_HOSTILE_PAYLOADS_FILE=\"${pelmora_testing_VECTORS_DIR}/hostile_payloads.txt\"")
endif()

# The peer reads the Fast-CDR callbacks record (a plain struct) and the
# handle type: headers only, no library of those packages is linked.
function(pelmora_testing_add_cdr_peer target)
  add_library(${target} SHARED ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src/cdr_peer.cpp)
  target_include_directories(${target} PRIVATE
    $<TARGET_PROPERTY:rosidl_runtime_c::rosidl_runtime_c,INTERFACE_INCLUDE_DIRECTORIES>
    $<TARGET_PROPERTY:rosidl_typesupport_fastrtps_cpp::rosidl_typesupport_fastrtps_cpp,INTERFACE_INCLUDE_DIRECTORIES>)
  target_link_libraries(${target} PRIVATE fastcdr)
endfunction()

unset(_pelmora_testing_prefix)
unset(_pelmora_testing_share)
