# pelmora_install_target(<set> <target>...): records targets for
# installation with the export set <set>: pelmoraTargets for the
# deliverables, pelmoraCompatTargets for the private stand-ins of compat/.
# cmake/PelmoraInstall.cmake installs what is recorded here, and nothing
# else records installed targets.
function(pelmora_install_target set)
  set_property(GLOBAL APPEND PROPERTY PELMORA_INSTALL_${set} ${ARGN})
endfunction()

# pelmora_installed_targets(<variable> <set>): the targets recorded for <set>.
function(pelmora_installed_targets variable set)
  get_property(targets GLOBAL PROPERTY PELMORA_INSTALL_${set})
  set(${variable} ${targets} PARENT_SCOPE)
endfunction()

# pelmora_library(<name> SOURCES ... [INCLUDE_DIR <dir>])
#
# Adds the shared library lib<name>.so with the ALIAS pelmora::<name>, the
# public include folder <dir> (installed under include/pelmora), and records it
# for installation with the package's CMake export.
function(pelmora_library name)
  cmake_parse_arguments(ARG "" "INCLUDE_DIR" "SOURCES" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  add_library(pelmora::${name} ALIAS ${name})
  if(ARG_INCLUDE_DIR)
    target_include_directories(${name} PUBLIC
      $<BUILD_INTERFACE:${ARG_INCLUDE_DIR}>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/pelmora>)
  endif()
  pelmora_install_target(pelmoraTargets ${name})
endfunction()

# pelmora_install_headers(<source-dir> <relative-dir>)
# Installs the headers below <source-dir>/<relative-dir> to include/pelmora/<relative-dir>.
function(pelmora_install_headers source_dir relative_dir)
  install(DIRECTORY ${source_dir}/${relative_dir}/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pelmora/${relative_dir}
    FILES_MATCHING PATTERN "*.h" PATTERN "*.hpp")
endfunction()
