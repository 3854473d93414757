# Python programs and the modules they share, for pelmora_dds and the
# packages that find it (its CMake configuration includes this file).
#
# Each program gets two copies: <build>/bin/<name>, which imports its own
# modules from the source folders given, and bin/<name> in the install
# prefix, which imports them from the prefix's PELMORA_TOOLS_MODULE_DIR
# (share/<package>/python). Both import pelmora's Python package from the
# prefix pelmora is installed in, and the modules of other packages from
# where those are installed. A program says where it looks in one line,
#     MODULE_DIRS = ()
# (folders relative to the prefix above its bin/, or absolute), which the
# copies fill in; run from the source tree it keeps its own folder only.

include(GNUInstallDirs)
if(NOT Python3_Interpreter_FOUND)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
endif()

set(PELMORA_TOOLS_MODULE_DIR ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME}/python)
# Where a prefix holds Python packages (colcon's setup scripts put this
# folder on PYTHONPATH), and so pelmora's in the prefix pelmora came from.
set(PELMORA_PYTHON_INSTALL_DIR
  lib/python${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}/site-packages)
get_filename_component(PELMORA_INSTALLED_PYTHON_DIR
  "${pelmora_DIR}/../../../${PELMORA_PYTHON_INSTALL_DIR}" ABSOLUTE)

# pelmora_python_configured(<source> <output> [<NAME> <python literal>]...)
# Writes <output>, executable, from <source> with each line `NAME = ...` set
# to the literal. A name without such a line stops the configuration, so
# that a renamed setting cannot go unset silently.
function(pelmora_python_configured source output)
  get_filename_component(source ${source} ABSOLUTE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} content)
  set(settings ${ARGN})
  while(settings)
    list(POP_FRONT settings name value)
    string(REGEX MATCH "\n${name} = [^\n]*" line "${content}")
    if(NOT line)
      message(FATAL_ERROR "${source} has no line '${name} = ...' to set")
    endif()
    string(REPLACE "${line}" "\n${name} = ${value}" content "${content}")
  endwhile()
  file(GENERATE OUTPUT ${output} CONTENT "${content}"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
      WORLD_READ WORLD_EXECUTE)
endfunction()

# The Python tuple literal of the folders given.
function(pelmora_python_tuple out)
  set(items "")
  foreach(item IN LISTS ARGN)
    string(APPEND items "'${item}', ")
  endforeach()
  set(${out} "(${items})" PARENT_SCOPE)
endfunction()

# The folders given, those inside the install prefix made relative to it, so
# that an installed program of a merged prefix keeps working when the prefix
# moves.
function(pelmora_python_prefix_relative out)
  set(folders "")
  foreach(folder IN LISTS ARGN)
    file(RELATIVE_PATH relative ${CMAKE_INSTALL_PREFIX} ${folder})
    if(relative MATCHES "^\\.\\./|^\\.\\.$")
      list(APPEND folders ${folder})
    else()
      list(APPEND folders ${relative})
    endif()
  endforeach()
  set(${out} ${folders} PARENT_SCOPE)
endfunction()

# pelmora_python_tool_modules(<file>...): installs modules that programs
# import into PELMORA_TOOLS_MODULE_DIR; a line `INSTALLED_LIBDIR = ...` in
# one is set to the prefix's library folder.
function(pelmora_python_tool_modules)
  foreach(source IN LISTS ARGN)
    set(installed ${source})
    file(READ ${source} content)
    if(content MATCHES "\nINSTALLED_LIBDIR = ")
      get_filename_component(name ${source} NAME)
      set(installed ${CMAKE_CURRENT_BINARY_DIR}/installed/${name})
      pelmora_python_configured(${source} ${installed} INSTALLED_LIBDIR "'${CMAKE_INSTALL_LIBDIR}'")
    endif()
    install(FILES ${installed} DESTINATION ${PELMORA_TOOLS_MODULE_DIR})
  endforeach()
endfunction()

# pelmora_python_program(<name> SOURCE <file> MODULE_DIRS <source folder>...
#                        [INSTALLED_MODULE_DIRS <folder>...]
#                        [SETTINGS <NAME> <python literal>...])
# The two copies of a program. MODULE_DIRS hold the program's own modules in
# the source tree (the build copy's); INSTALLED_MODULE_DIRS are installed
# module folders of other packages (such as pelmora_dds_PYTHON_DIR), which
# both copies use. SETTINGS are set in both.
function(pelmora_python_program name)
  cmake_parse_arguments(ARG "" "SOURCE" "MODULE_DIRS;INSTALLED_MODULE_DIRS;SETTINGS" ${ARGN})
  pelmora_python_tuple(build_tuple
    ${ARG_MODULE_DIRS} ${ARG_INSTALLED_MODULE_DIRS} ${PELMORA_INSTALLED_PYTHON_DIR})
  pelmora_python_configured(${ARG_SOURCE} ${PROJECT_BINARY_DIR}/bin/${name}
    MODULE_DIRS "${build_tuple}" ${ARG_SETTINGS})
  pelmora_python_prefix_relative(installed_dirs
    ${ARG_INSTALLED_MODULE_DIRS} ${PELMORA_INSTALLED_PYTHON_DIR})
  pelmora_python_tuple(install_tuple ${PELMORA_TOOLS_MODULE_DIR} ${installed_dirs})
  set(installed ${CMAKE_CURRENT_BINARY_DIR}/installed/${name})
  pelmora_python_configured(${ARG_SOURCE} ${installed}
    MODULE_DIRS "${install_tuple}" ${ARG_SETTINGS})
  install(PROGRAMS ${installed} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
