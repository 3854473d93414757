// The first use of a dispatcher loads its type-support libraries. Threads
// that all make that first request at the same moment, in a process where no
// type support is loaded yet, must all get the one handle of each library.
// CTest runs every test here in a process of its own.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../c_typesupport/loaded_library.hpp"
#include "concurrency_support.hpp"
#include "pelmora/msg/features.h"
#include "pelmora/msg/features.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"

namespace pelmora_hostile
{
namespace
{

using pelmora_tests::library_loaded;
using pelmora_tests::loaded_handle_function;

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
    // The handle that the library's own handle function gives.
    pelmora_tests::HandleFunction * handle_function = loaded_handle_function(identifiers[which]);
    ASSERT_NE(handle_function, nullptr) << identifiers[which];
    const rosidl_message_type_support_t * expected = handle_function();
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
