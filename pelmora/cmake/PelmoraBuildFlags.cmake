# Compiler settings shared by every target of the project. pelmora installs
# this file for its sibling packages, which include() it right after
# project(), so that every package of the workspace builds alike: the
# language levels, position-independent code, hidden visibility, the default
# build type and the options the workspace scripts pass to every package.
option(PELMORA_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(PELMORA_TSAN "Build everything with ThreadSanitizer" OFF)

set(CMAKE_C_STANDARD 11)
set(CMAKE_C_STANDARD_REQUIRED ON)
set(CMAKE_C_EXTENSIONS OFF)
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

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

# pelmora_sanitizer_preload(<variable>): sets <variable> to the file of the
# compiler's AddressSanitizer runtime. A program that is not instrumented
# (the Python interpreter) must preload it before it loads instrumented
# libraries.
function(pelmora_sanitizer_preload variable)
  # A project may enable C++ alone (a C compiler named on the command line
  # is then set, but not enabled: it has no ID).
  if(CMAKE_C_COMPILER_ID)
    set(lang C)
  else()
    set(lang CXX)
  endif()
  if(CMAKE_${lang}_COMPILER_ID STREQUAL "Clang")
    set(runtime_name libclang_rt.asan-${CMAKE_SYSTEM_PROCESSOR}.so)
  else()
    set(runtime_name libasan.so)
  endif()
  execute_process(COMMAND ${CMAKE_${lang}_COMPILER} -print-file-name=${runtime_name}
    OUTPUT_VARIABLE runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(${variable} ${runtime} PARENT_SCOPE)
endfunction()

if(PELMORA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Shared libraries must not leave symbols undefined, except those that set
# PELMORA_ALLOW_UNDEFINED (code that the Python interpreter resolves at load).
if(NOT PELMORA_SANITIZE AND NOT PELMORA_TSAN)
  add_link_options("$<$<AND:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,SHARED_LIBRARY>,$<NOT:$<BOOL:$<TARGET_PROPERTY:PELMORA_ALLOW_UNDEFINED>>>>:LINKER:--no-undefined>")
endif()

# pelmora_keep_std_instantiations_local(<target>): links <target> with the
# version script that keeps the std::vector code it instantiates unexported.
function(pelmora_keep_std_instantiations_local target)
  set(script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/hidden_std_instantiations.map)
  target_link_options(${target} PRIVATE LINKER:--version-script=${script})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()
