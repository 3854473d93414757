# The tools of the tests and codec benchmarks, looked up once when
# BUILD_TESTING is on. A missing one leaves out what needs it, with one
# configure line naming the Debian (or workspace) package, or stops
# configure under PELMORA_REQUIRE_ALL_TESTS; test/configure checks exactly
# that. Each test folder returns early without the tools it needs.

find_package(GTest QUIET)
if(GTest_FOUND)
  include(GoogleTest)
else()
  pelmora_left_out(libgtest-dev "the C and C++ unit, hostile-input and concurrency tests are not built")
endif()

# What the tests of several packages share: vectors, test-support and
# benchmark headers, Python helpers and check scripts.
find_package(pelmora_testing QUIET)
if(pelmora_testing_FOUND)
  # The test-support headers include the C message's field list, so its
  # header folder comes along (nothing of that library is linked).
  add_library(pelmora_test_common INTERFACE)
  target_link_libraries(pelmora_test_common INTERFACE pelmora_testing::pelmora_testing)
  target_include_directories(pelmora_test_common INTERFACE
    $<TARGET_PROPERTY:pelmora__rosidl_generator_c,INTERFACE_INCLUDE_DIRECTORIES>)
else()
  pelmora_left_out("pelmora_testing (workspace package)"
    "the tests and benchmarks that need the wire vectors, its headers or its scripts are not built")
endif()

if(PELMORA_BUILD_BENCHMARKS)
  find_package(benchmark CONFIG QUIET)
  if(NOT benchmark_FOUND)
    pelmora_left_out(libbenchmark-dev "the codec benchmarks and their smoke runs are not built")
  endif()
endif()

if(PELMORA_BUILD_PYTHON)
  pelmora_find_debug_python()
endif()
pelmora_test_python_module(PELMORA_HAVE_PYTEST pytest python3-pytest "the Python test files are not run")
pelmora_test_python_module(PELMORA_HAVE_NUMPY numpy python3-numpy
  "the Python tests of buffer and float conversions skip")
pelmora_test_python_module(PELMORA_HAVE_MATPLOTLIB matplotlib python3-matplotlib
  "the benchmark report draws no plot")
pelmora_test_program(PELMORA_IDLC idlc cyclonedds-tools "the IDL witness test (idlc) is not built")
pelmora_test_program(PELMORA_VALGRIND valgrind valgrind "scripts/test.sh cannot run memcheck")

# Sanitizer builds replace malloc and add their own exported symbols, so the
# tests that interpose the allocator or read export tables run in plain builds.
if(PELMORA_SANITIZE OR PELMORA_TSAN)
  set(PELMORA_PLAIN_BUILD OFF)
else()
  set(PELMORA_PLAIN_BUILD ON)
endif()
