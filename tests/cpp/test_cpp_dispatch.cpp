// The C++ dispatcher, linked alone: its handle and map, and the two C++ type
// supports loaded by file name when first asked for. Each test runs in a
// process of its own, so every one starts with nothing loaded.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "pelmora/msg/features.hpp"
#include "rosidl_typesupport_c/type_support_map.h"
#include "rosidl_typesupport_cpp/identifier.hpp"
#include "rosidl_typesupport_cpp/message_type_support_dispatch.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"

namespace
{

using Getter = const rosidl_message_type_support_t * ();

const rosidl_message_type_support_t * dispatcher()
{
  return rosidl_typesupport_cpp::get_message_type_support_handle<pelmora::msg::Features>();
}

const type_support_map_t & map()
{
  return *static_cast<const type_support_map_t *>(dispatcher()->data);
}

bool library_loaded(const char * file_name)
{
  void * library = dlopen(file_name, RTLD_LAZY | RTLD_NOLOAD);
  if (library != nullptr) {
    dlclose(library);
  }
  return library != nullptr;
}

// The handle that the library's own exported getter returns.
const rosidl_message_type_support_t * getter_result(const char * file_name, const char * symbol)
{
  void * library = dlopen(file_name, RTLD_LAZY | RTLD_NOLOAD);
  if (library == nullptr) {
    return nullptr;
  }
  auto * getter = reinterpret_cast<Getter *>(dlsym(library, symbol));
  const rosidl_message_type_support_t * handle = getter ? getter() : nullptr;
  dlclose(library);
  return handle;
}

constexpr const char * kFastrtpsLibrary = "libpelmora__rosidl_typesupport_fastrtps_cpp.so";
constexpr const char * kFastrtpsSymbol =
  "rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__pelmora__msg__Features";
constexpr const char * kIntrospectionLibrary = "libpelmora__rosidl_typesupport_introspection_cpp.so";
constexpr const char * kIntrospectionSymbol =
  "rosidl_typesupport_introspection_cpp__get_message_type_support_handle__pelmora__msg__Features";

TEST(CppDispatch, BothEntryPointsReturnTheOneHandle)
{
  ASSERT_NE(dispatcher(), nullptr);
  EXPECT_EQ(dispatcher(), rosidl_typesupport_cpp__get_message_type_support_handle__pelmora__msg__Features());
  EXPECT_EQ(dispatcher(), rosidl_typesupport_cpp::get_message_type_support_handle<pelmora::msg::Features>());
  EXPECT_EQ(dispatcher()->typesupport_identifier, rosidl_typesupport_cpp::typesupport_identifier);
  EXPECT_EQ(dispatcher()->func, &rosidl_typesupport_cpp::get_message_typesupport_handle_function);
}

TEST(CppDispatch, MapNamesBothCppTypeSupportsWithEmptySlots)
{
  ASSERT_EQ(map().size, 2u);
  EXPECT_STREQ(map().package_name, "pelmora");
  EXPECT_STREQ(map().typesupport_identifier[0], "rosidl_typesupport_fastrtps_cpp");
  EXPECT_STREQ(map().typesupport_identifier[1], "rosidl_typesupport_introspection_cpp");
  EXPECT_STREQ(map().symbol_name[0], kFastrtpsSymbol);
  EXPECT_STREQ(map().symbol_name[1], kIntrospectionSymbol);
  EXPECT_EQ(map().data[0], nullptr);
  EXPECT_EQ(map().data[1], nullptr);
}

TEST(CppDispatch, AskingForFastrtpsLoadsItsLibraryByName)
{
  ASSERT_FALSE(library_loaded(kFastrtpsLibrary));
  const auto * handle = dispatcher()->func(dispatcher(), "rosidl_typesupport_fastrtps_cpp");
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(library_loaded(kFastrtpsLibrary));
  EXPECT_NE(map().data[0], nullptr);
  EXPECT_EQ(handle, getter_result(kFastrtpsLibrary, kFastrtpsSymbol));
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_fastrtps_cpp::typesupport_identifier);
  const auto * callbacks = static_cast<const message_type_support_callbacks_t *>(handle->data);
  EXPECT_STREQ(callbacks->message_namespace_, "pelmora::msg");
  EXPECT_STREQ(callbacks->message_name_, "Features");
  EXPECT_EQ(dispatcher()->func(dispatcher(), "rosidl_typesupport_fastrtps_cpp"), handle);
  EXPECT_FALSE(library_loaded(kIntrospectionLibrary));
}

TEST(CppDispatch, AskingForIntrospectionLoadsItsLibraryByName)
{
  ASSERT_FALSE(library_loaded(kIntrospectionLibrary));
  const auto * handle = get_message_typesupport_handle(
    dispatcher(), "rosidl_typesupport_introspection_cpp");
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(library_loaded(kIntrospectionLibrary));
  EXPECT_EQ(handle, getter_result(kIntrospectionLibrary, kIntrospectionSymbol));
  EXPECT_EQ(
    handle->typesupport_identifier, rosidl_typesupport_introspection_cpp::typesupport_identifier);
  const auto * members =
    static_cast<const rosidl_typesupport_introspection_cpp::MessageMembers *>(handle->data);
  EXPECT_STREQ(members->message_namespace_, "pelmora::msg");
  EXPECT_STREQ(members->message_name_, "Features");
  EXPECT_EQ(members->member_count_, 10u);
}

}  // namespace
