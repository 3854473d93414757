// What a test may learn of the package's type-support libraries without
// loading one itself: whether the process has loaded it yet, and its
// functions once it has. The dispatchers load them by file name, so the
// tests that hold them to loading on first request look them up the same way.
#ifndef PELMORA_TESTS__LOADED_LIBRARY_HPP_
#define PELMORA_TESTS__LOADED_LIBRARY_HPP_

#include <dlfcn.h>

#include <string>

#include "rosidl_runtime_c/message_type_support_struct.h"

namespace pelmora_tests
{

using HandleFunction = const rosidl_message_type_support_t *();

inline std::string library_file(const std::string & identifier)
{
  return "libpelmora__" + identifier + ".so";
}

inline bool library_loaded(const std::string & identifier)
{
  void * library = dlopen(library_file(identifier).c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (library != nullptr) {
    dlclose(library);
  }
  return library != nullptr;
}

/// A function of an already loaded type-support library; null if not loaded.
template<typename Function>
Function * loaded_symbol(const std::string & identifier, const std::string & name)
{
  void * library = dlopen(library_file(identifier).c_str(), RTLD_LAZY | RTLD_NOLOAD);
  void * symbol = library ? dlsym(library, name.c_str()) : nullptr;
  if (library) {
    dlclose(library);
  }
  return reinterpret_cast<Function *>(symbol);
}

/// The Features handle function of type support `identifier`; null until
/// its library is loaded.
inline HandleFunction * loaded_handle_function(const std::string & identifier)
{
  return loaded_symbol<HandleFunction>(
    identifier, identifier + "__get_message_type_support_handle__pelmora__msg__Features");
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__LOADED_LIBRARY_HPP_
