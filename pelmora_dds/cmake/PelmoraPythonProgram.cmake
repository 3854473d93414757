# Python programs of the tools and the modules they share.
#
# Each program gets two copies: <build>/bin/<name>, which imports its modules
# from the source tree and the package from <build>/python, and bin/<name>
# in the install prefix, which imports them from share/pelmora/tools and the
# prefix's site-packages. A program says where it looks in one line,
#     MODULE_DIRS = ()
# (folders relative to the prefix above its bin/, or absolute), which the
# copies fill in; run from the source tree it keeps its own folder only.

set(PELMORA_TOOLS_MODULE_DIR ${CMAKE_INSTALL_DATADIR}/pelmora/tools)

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

# pelmora_python_tool_modules(<file>...): installs modules that programs
# import into share/pelmora/tools; a line `INSTALLED_LIBDIR = ...` in one is
# set to the prefix's library folder.
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
#                        [SETTINGS <NAME> <python literal>...])
# The two copies of a program; SETTINGS are set in both.
function(pelmora_python_program name)
  cmake_parse_arguments(ARG "" "SOURCE" "MODULE_DIRS;SETTINGS" ${ARGN})
  set(build_dirs ${ARG_MODULE_DIRS})
  set(install_dirs ${PELMORA_TOOLS_MODULE_DIR})
  if(PELMORA_PYTHON_DIR)
    list(APPEND build_dirs ${PELMORA_PYTHON_DIR})
    list(APPEND install_dirs ${PELMORA_PYTHON_INSTALL_DIR})
  endif()
  pelmora_python_tuple(build_tuple ${build_dirs})
  pelmora_python_tuple(install_tuple ${install_dirs})
  pelmora_python_configured(${ARG_SOURCE} ${PROJECT_BINARY_DIR}/bin/${name}
    MODULE_DIRS "${build_tuple}" ${ARG_SETTINGS})
  set(installed ${CMAKE_CURRENT_BINARY_DIR}/installed/${name})
  pelmora_python_configured(${ARG_SOURCE} ${installed}
    MODULE_DIRS "${install_tuple}" ${ARG_SETTINGS})
  install(PROGRAMS ${installed} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
