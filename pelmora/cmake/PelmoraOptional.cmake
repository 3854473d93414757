# Optional pieces and the tools of the tests: what a missing one leaves out.
# pelmora installs this file for its sibling packages, which include() it;
# messages name the package being configured.
#
# Outside the test command a missing tool only narrows the build, and
# configure says what it leaves out. scripts/test.sh installs every tool and
# sets PELMORA_REQUIRE_ALL_TESTS, under which a missing one is a configure
# error, so that no test can be dropped without anyone noticing.
option(PELMORA_REQUIRE_ALL_TESTS "Fail to configure when a tool that a test needs is missing" OFF)

# pelmora_left_out(<Debian package> <what is left out>): reports the missing
# package at configure time, or stops there when every test is required.
function(pelmora_left_out package what)
  if(PELMORA_REQUIRE_ALL_TESTS)
    message(FATAL_ERROR "${PROJECT_NAME}: ${package} is not installed, so ${what}; "
      "PELMORA_REQUIRE_ALL_TESTS needs every test (scripts/setup-deps.sh --test installs it)")
  endif()
  message(STATUS "${PROJECT_NAME}: no ${package}: ${what}")
endfunction()

# pelmora_test_program(<variable> <program> <Debian package> <what is left out>):
# finds <program> into the cache <variable>; reports it as left out otherwise.
function(pelmora_test_program variable program package what)
  find_program(${variable} ${program})
  if(NOT ${variable})
    pelmora_left_out(${package} "${what}")
  endif()
endfunction()

# pelmora_test_python_module(<variable> <module> <Debian package> <what is left out>):
# sets <variable> to whether the build's interpreter imports <module>.
function(pelmora_test_python_module variable module package what)
  execute_process(COMMAND ${Python3_EXECUTABLE} -c "import ${module}"
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(status EQUAL 0)
    set(${variable} ON PARENT_SCOPE)
  else()
    set(${variable} OFF PARENT_SCOPE)
    pelmora_left_out(${package} "${what}")
  endif()
endfunction()
