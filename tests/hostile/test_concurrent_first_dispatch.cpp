// The first use of a dispatcher loads its type-support libraries. Threads
// that all make that first request at the same moment, in a process where no
// type support is loaded yet, must all get the one handle of each library.
// CTest runs every test here in a process of its own.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "concurrency_support.hpp"
#include "pelmora/msg/features.h"
#include "pelmora/msg/features.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"

namespace pelmora_hostile
{
namespace
{

using HandleFunction = const rosidl_message_type_support_t *();

bool library_loaded(const std::string & identifier)
{
  const std::string file = "libpelmora__" + identifier + ".so";
  void * library = dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (library != nullptr) {
    dlclose(library);
  }
  return library != nullptr;
}

// The handle that the library's own handle function gives, once loaded.
const rosidl_message_type_support_t * direct_handle(const std::string & identifier)
{
  const std::string file = "libpelmora__" + identifier + ".so";
  const std::string symbol = identifier + "__get_message_type_support_handle__pelmora__msg__Features";
  void * library = dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (library == nullptr) {
    return nullptr;
  }
  auto * function = reinterpret_cast<HandleFunction *>(dlsym(library, symbol.c_str()));
  dlclose(library);
  return function ? function() : nullptr;
}

// Every thread asks for both identifiers, half of them in the other order.
void expect_one_handle_per_identifier(
  const rosidl_message_type_support_t * dispatcher, const char * first, const char * second)
{
  const char * identifiers[2] = {first, second};
  for (const char * identifier : identifiers) {
    ASSERT_FALSE(library_loaded(identifier)) << identifier << " was loaded before the first request";
  }
  const rosidl_message_type_support_t * found[kThreadCount][2] = {};
  const auto complaints = race([&](int thread) -> std::string {
      for (int k = 0; k < 2; ++k) {
        const int which = (thread % 2 == 0) ? k : 1 - k;
        found[thread][which] = dispatcher->func(dispatcher, identifiers[which]);
        if (found[thread][which] == nullptr) {
          return std::string("no handle for ") + identifiers[which];
        }
        if (std::strcmp(found[thread][which]->typesupport_identifier, identifiers[which]) != 0) {
          return std::string("the handle for ") + identifiers[which] + " names " +
                 found[thread][which]->typesupport_identifier;
        }
      }
      return "";
    });
  ASSERT_EQ(joined(complaints), "");
  for (int which = 0; which < 2; ++which) {
    const rosidl_message_type_support_t * expected = direct_handle(identifiers[which]);
    ASSERT_NE(expected, nullptr) << identifiers[which];
    for (int thread = 0; thread < kThreadCount; ++thread) {
      EXPECT_EQ(found[thread][which], expected) << "thread " << thread << ", " << identifiers[which];
    }
  }
  // Later requests give the same handles.
  EXPECT_EQ(dispatcher->func(dispatcher, first), found[0][0]);
  EXPECT_EQ(dispatcher->func(dispatcher, second), found[0][1]);
}

TEST(ConcurrentFirstDispatch, RacingFirstRequestsToTheCDispatcherGetOneHandlePerTypeSupport)
{
  expect_one_handle_per_identifier(
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(),
    "rosidl_typesupport_fastrtps_c", "rosidl_typesupport_introspection_c");
}

TEST(ConcurrentFirstDispatch, RacingFirstRequestsToTheCppDispatcherGetOneHandlePerTypeSupport)
{
  expect_one_handle_per_identifier(
    rosidl_typesupport_cpp__get_message_type_support_handle__pelmora__msg__Features(),
    "rosidl_typesupport_fastrtps_cpp", "rosidl_typesupport_introspection_cpp");
}

}  // namespace
}  // namespace pelmora_hostile
