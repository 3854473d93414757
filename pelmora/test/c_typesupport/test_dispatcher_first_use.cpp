// The C dispatcher in a process that has loaded neither type support: what
// its handle and map hold, and that a type support is loaded only when a
// middleware first asks for it by identifier.
#include <gtest/gtest.h>

#include "c_typesupport_support.hpp"
#include "rcutils/error_handling.h"
#include "rosidl_typesupport_c/identifier.h"
#include "rosidl_typesupport_c/message_type_support_dispatch.h"
#include "rosidl_typesupport_c/type_support_map.h"

namespace pelmora_tests
{
namespace
{

TEST(DispatcherFirstUse, MapNamesBothTypeSupportsAndLoadsEachOnlyWhenAskedFor)
{
  const char * identifiers[2] = {
    "rosidl_typesupport_fastrtps_c", "rosidl_typesupport_introspection_c"};
  const char * symbols[2] = {
    "rosidl_typesupport_fastrtps_c__get_message_type_support_handle__pelmora__msg__Features",
    "rosidl_typesupport_introspection_c__get_message_type_support_handle__pelmora__msg__Features"};
  auto loaded = [&](size_t i) {return loaded_symbol<HandleFunction>(identifiers[i], symbols[i]);};

  const rosidl_message_type_support_t * handle =
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
  EXPECT_EQ(rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(), handle);
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_c__typesupport_identifier);
  EXPECT_EQ(handle->func, &rosidl_typesupport_c__get_message_typesupport_handle_function);
  const auto * map = static_cast<const type_support_map_t *>(handle->data);
  ASSERT_EQ(map->size, 2u);
  EXPECT_STREQ(map->package_name, "pelmora");
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_STREQ(map->typesupport_identifier[i], identifiers[i]);
    EXPECT_STREQ(map->symbol_name[i], symbols[i]);
    EXPECT_EQ(map->data[i], nullptr);
    ASSERT_EQ(loaded(i), nullptr);
  }

  EXPECT_EQ(handle->func(handle, "rosidl_typesupport_fastrtps_cpp"), nullptr);
  rcutils_reset_error();
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(map->data[i], nullptr);
    EXPECT_EQ(loaded(i), nullptr);
  }

  for (size_t i = 0; i < 2; ++i) {
    const rosidl_message_type_support_t * type_support = handle->func(handle, identifiers[i]);
    ASSERT_NE(type_support, nullptr) << identifiers[i];
    ASSERT_NE(loaded(i), nullptr);
    EXPECT_EQ(loaded(i)(), type_support);
    EXPECT_STREQ(type_support->typesupport_identifier, identifiers[i]);
    EXPECT_NE(map->data[i], nullptr);
    EXPECT_EQ(loaded(1) != nullptr, i == 1);  // the other one still waits
  }
}

}  // namespace
}  // namespace pelmora_tests
