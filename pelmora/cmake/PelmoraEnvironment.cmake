# Environment hooks of an install made without ament_cmake, in the
# descriptor format that colcon's setup scripts read: share/pelmora/
# local_setup.dsv names one descriptor per variable, and each descriptor
# prepends a folder of the prefix to its variable. (With ament_cmake,
# ament_package() writes these and their shell versions.)

set(PELMORA_ENVIRONMENT_DIR ${PROJECT_BINARY_DIR}/environment)
file(WRITE ${PELMORA_ENVIRONMENT_DIR}/local_setup.dsv "")
install(FILES ${PELMORA_ENVIRONMENT_DIR}/local_setup.dsv DESTINATION ${PELMORA_SHARE_DIR})

# pelmora_environment_hook(<name> <variable> <folder>): prepend the prefix's
# <folder> (empty: the prefix itself) to <variable>.
function(pelmora_environment_hook name variable folder)
  set(hook ${PELMORA_ENVIRONMENT_DIR}/${name}.dsv)
  file(WRITE ${hook} "prepend-non-duplicate;${variable};${folder}\n")
  install(FILES ${hook} DESTINATION ${PELMORA_SHARE_DIR}/environment)
  file(APPEND ${PELMORA_ENVIRONMENT_DIR}/local_setup.dsv
    "source;${PELMORA_SHARE_DIR}/environment/${name}.dsv\n")
endfunction()

pelmora_environment_hook(ament_prefix_path AMENT_PREFIX_PATH "")
pelmora_environment_hook(library_path LD_LIBRARY_PATH ${CMAKE_INSTALL_LIBDIR})
if(PELMORA_BUILD_PYTHON)
  pelmora_environment_hook(pythonpath PYTHONPATH ${PELMORA_PYTHON_INSTALL_DIR})
endif()
