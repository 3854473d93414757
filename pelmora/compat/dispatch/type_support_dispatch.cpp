#include "type_support_dispatch.hpp"

#include <dlfcn.h>

#include <cassert>
#include <cstring>
#include <mutex>
#include <string>

#include "rcutils/error_handling.h"
#include "rosidl_typesupport_c/type_support_map.h"

namespace pelmora_compat
{
namespace
{

using handle_getter = const rosidl_message_type_support_t * (*)();

// The folder of the shared object that defines `address`, with a trailing
// slash, or "" when the loader cannot tell.
std::string folder_of(const void * address)
{
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  std::string path(info.dli_fname);
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Opens the library by its plain name (the loader's search path first), then
// beside the library that defines the dispatcher handle, so that a build tree
// and an installed prefix both work without LD_LIBRARY_PATH.
void * open_library(const std::string & file_name, const void * handle)
{
  void * library = dlopen(file_name.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (library != nullptr) {
    return library;
  }
  const std::string folder = folder_of(handle);
  if (folder.empty()) {
    return nullptr;
  }
  return dlopen((folder + file_name).c_str(), RTLD_LAZY | RTLD_LOCAL);
}

// The library of map entry `index`, loaded once. Loading is serialised, so
// two threads asking first at the same time load it once between them, and
// the one that did not load it sees the library's initialisers complete.
void * entry_library(const type_support_map_t * map, size_t index, const void * handle)
{
  void ** slot = &map->data[index];
  void * library = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
  if (library != nullptr) {
    return library;
  }
  static std::mutex loading;
  std::lock_guard<std::mutex> lock(loading);
  library = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
  if (library != nullptr) {
    return library;
  }
  const std::string file_name = std::string("lib") + map->package_name + "__" +
    map->typesupport_identifier[index] + ".so";
  library = open_library(file_name, handle);
  if (library == nullptr) {
    RCUTILS_SET_ERROR_MSG_WITH_FORMAT_STRING(
      "failed to load type support library '%s': %s", file_name.c_str(), dlerror());
    return nullptr;
  }
  __atomic_store_n(slot, library, __ATOMIC_RELEASE);
  return library;
}

const rosidl_message_type_support_t * call_entry(
  const type_support_map_t * map, size_t index, const void * handle)
{
  void * library = entry_library(map, index, handle);
  if (library == nullptr) {
    return nullptr;
  }
  void * symbol = dlsym(library, map->symbol_name[index]);
  if (symbol == nullptr) {
    RCUTILS_SET_ERROR_MSG_WITH_FORMAT_STRING(
      "failed to find symbol '%s' in type support library", map->symbol_name[index]);
    return nullptr;
  }
  return reinterpret_cast<handle_getter>(symbol)();
}

}  // namespace

const rosidl_message_type_support_t * dispatch(
  const rosidl_message_type_support_t * handle, const char * identifier,
  const char * own_identifier)
{
  assert(handle != nullptr);
  assert(identifier != nullptr);
  if (handle->typesupport_identifier == nullptr) {
    RCUTILS_SET_ERROR_MSG("type support handle has no identifier");
    return nullptr;
  }
  if (std::strcmp(handle->typesupport_identifier, identifier) == 0) {
    return handle;
  }
  if (std::strcmp(handle->typesupport_identifier, own_identifier) != 0) {
    RCUTILS_SET_ERROR_MSG("handle is not a type support dispatcher");
    return nullptr;
  }
  const auto * map = static_cast<const type_support_map_t *>(handle->data);
  for (size_t i = 0; i < map->size; ++i) {
    if (std::strcmp(map->typesupport_identifier[i], identifier) == 0) {
      return call_entry(map, i, handle);
    }
  }
  RCUTILS_SET_ERROR_MSG_WITH_FORMAT_STRING(
    "type support '%s' is not available for package '%s'", identifier, map->package_name);
  return nullptr;
}

}  // namespace pelmora_compat
