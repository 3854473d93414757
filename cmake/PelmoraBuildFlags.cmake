# Compiler settings shared by every target of the project.
#
# Assertions stay on in every configuration: the release flags CMake chooses
# carry -DNDEBUG, which is stripped here, and the C++ standard library runs in
# its assertion mode.
foreach(lang C CXX)
  foreach(cfg RELEASE RELWITHDEBINFO MINSIZEREL)
    string(REPLACE "-DNDEBUG" "" CMAKE_${lang}_FLAGS_${cfg} "${CMAKE_${lang}_FLAGS_${cfg}}")
  endforeach()
endforeach()

add_compile_options(-Wall -Wextra)
add_compile_definitions($<$<COMPILE_LANGUAGE:CXX>:_GLIBCXX_ASSERTIONS>)

if(PELMORA_SANITIZE AND PELMORA_TSAN)
  message(FATAL_ERROR "PELMORA_SANITIZE and PELMORA_TSAN cannot be combined")
endif()

if(PELMORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(PELMORA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Shared libraries must not leave symbols undefined, except those that set
# PELMORA_ALLOW_UNDEFINED (code that the Python interpreter resolves at load).
if(NOT PELMORA_SANITIZE AND NOT PELMORA_TSAN)
  add_link_options("$<$<AND:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,SHARED_LIBRARY>,$<NOT:$<BOOL:$<TARGET_PROPERTY:PELMORA_ALLOW_UNDEFINED>>>>:LINKER:--no-undefined>")
endif()
