# Recipes for code that a Python interpreter loads, for the two interpreter
# ABIs the project builds for: "release", Debian's /usr/bin/python3 (the
# deliverables), and "debug", its debug interpreter, whose ABI differs and in
# which sys.gettotalrefcount() lets the tests count references.

# pelmora_find_debug_python(): looks for the debug interpreter of the found
# Python3 version and sets PELMORA_PYTHON_DEBUG_EXECUTABLE ("" when there is
# none), PELMORA_PYTHON_DEBUG_INCLUDE_DIR and PELMORA_PYTHON_DEBUG_SUFFIX
# (the file-name ending of its extension modules).
function(pelmora_find_debug_python)
  find_program(PELMORA_PYTHON_DEBUG_PROGRAM python${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}-dbg)
  set(python ${PELMORA_PYTHON_DEBUG_PROGRAM})
  set(status 1)
  if(python)
    execute_process(
      COMMAND ${python} -c "import sysconfig; print(sysconfig.get_paths()['include'] + ';' + sysconfig.get_config_var('EXT_SUFFIX'))"
      OUTPUT_VARIABLE config OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
  endif()
  if(NOT status EQUAL 0)
    pelmora_left_out(python${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}-dbg
      "the Python reference-leak checks are not built")
    set(PELMORA_PYTHON_DEBUG_EXECUTABLE "" PARENT_SCOPE)
    return()
  endif()
  list(GET config 0 include_dir)
  list(GET config 1 suffix)
  set(PELMORA_PYTHON_DEBUG_EXECUTABLE ${python} PARENT_SCOPE)
  set(PELMORA_PYTHON_DEBUG_INCLUDE_DIR ${include_dir} PARENT_SCOPE)
  set(PELMORA_PYTHON_DEBUG_SUFFIX ${suffix} PARENT_SCOPE)
endfunction()

# pelmora_python_abi(<target> <release|debug>): compiles <target> against the
# headers of that interpreter and leaves its Python symbols undefined, for
# the importing interpreter to provide.
function(pelmora_python_abi target abi)
  if(abi STREQUAL "debug")
    target_include_directories(${target} SYSTEM PRIVATE ${PELMORA_PYTHON_DEBUG_INCLUDE_DIR})
    # Debian's debug headers are links to the release ones, and the compiler
    # follows them to the release pyconfig.h: say it explicitly.
    target_compile_definitions(${target} PRIVATE Py_DEBUG)
  else()
    target_include_directories(${target} SYSTEM PRIVATE ${Python3_INCLUDE_DIRS})
  endif()
  set_target_properties(${target} PROPERTIES PELMORA_ALLOW_UNDEFINED ON)
endfunction()

# pelmora_python_extension(<target> ABI <release|debug> OUTPUT_NAME <name>
#                          OUTPUT_DIR <dir> SOURCES <file>...)
# A Python extension module: <dir>/<name> with that interpreter's file-name
# ending, importable as <name>.
function(pelmora_python_extension target)
  cmake_parse_arguments(ARG "" "ABI;OUTPUT_NAME;OUTPUT_DIR" "SOURCES" ${ARGN})
  if(ARG_ABI STREQUAL "debug")
    set(suffix ${PELMORA_PYTHON_DEBUG_SUFFIX})
  else()
    set(suffix ".${Python3_SOABI}${CMAKE_SHARED_MODULE_SUFFIX}")
  endif()
  add_library(${target} MODULE ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${ARG_OUTPUT_NAME}
    PREFIX ""
    SUFFIX ${suffix}
    LIBRARY_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIR})
  pelmora_python_abi(${target} ${ARG_ABI})
endfunction()
