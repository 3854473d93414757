// The C++ dispatcher as a middleware uses it: this program links the two
// dispatchers and the C record library only. The C++ type supports are
// loaded by file name when first asked for, and bytes pass between a C++
// message and a C record in both directions. Each test runs in a process of
// its own, so each starts with nothing loaded.
#include <gtest/gtest.h>

#include <vector>

#include "../c_typesupport/loaded_library.hpp"
#include "c_record.hpp"
#include "cpp_features_support.hpp"
#include "pelmora/msg/features.h"
#include "rosidl_typesupport_c/type_support_map.h"
#include "rosidl_typesupport_cpp/identifier.hpp"
#include "rosidl_typesupport_cpp/message_type_support_dispatch.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"

namespace
{

using namespace pelmora_tests;
using Callbacks = message_type_support_callbacks_t;

const rosidl_message_type_support_t * dispatcher()
{
  return rosidl_typesupport_cpp::get_message_type_support_handle<Features>();
}

TEST(CppDispatch, BothEntryPointsReturnOneHandleNamingBothTypeSupports)
{
  ASSERT_NE(dispatcher(), nullptr);
  EXPECT_EQ(dispatcher(), rosidl_typesupport_cpp__get_message_type_support_handle__pelmora__msg__Features());
  EXPECT_EQ(dispatcher()->typesupport_identifier, rosidl_typesupport_cpp::typesupport_identifier);
  EXPECT_EQ(dispatcher()->func, &rosidl_typesupport_cpp::get_message_typesupport_handle_function);
  const auto & map = *static_cast<const type_support_map_t *>(dispatcher()->data);
  ASSERT_EQ(map.size, 2u);
  EXPECT_STREQ(map.package_name, "pelmora");
  EXPECT_STREQ(map.typesupport_identifier[0], "rosidl_typesupport_fastrtps_cpp");
  EXPECT_STREQ(map.typesupport_identifier[1], "rosidl_typesupport_introspection_cpp");
  EXPECT_STREQ(
    map.symbol_name[0],
    "rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__pelmora__msg__Features");
  EXPECT_STREQ(
    map.symbol_name[1],
    "rosidl_typesupport_introspection_cpp__get_message_type_support_handle__pelmora__msg__Features");
  EXPECT_TRUE(map.data[0] == nullptr && map.data[1] == nullptr);
}

TEST(CppDispatch, EachIdentifierLoadsItsLibraryByName)
{
  const char * identifiers[2] = {"rosidl_typesupport_fastrtps_cpp", "rosidl_typesupport_introspection_cpp"};
  const char * own_identifiers[2] = {
    rosidl_typesupport_fastrtps_cpp::typesupport_identifier,
    rosidl_typesupport_introspection_cpp::typesupport_identifier};
  for (size_t i = 0; i < 2; ++i) {
    ASSERT_FALSE(library_loaded(identifiers[i])) << identifiers[i];
    const auto * handle = get_message_typesupport_handle(dispatcher(), identifiers[i]);
    ASSERT_NE(handle, nullptr) << identifiers[i];
    HandleFunction * handle_function = loaded_handle_function(identifiers[i]);
    ASSERT_NE(handle_function, nullptr) << identifiers[i] << " is not loaded";
    EXPECT_EQ(handle, handle_function());
    EXPECT_EQ(handle->typesupport_identifier, own_identifiers[i]);
  }
}

const Callbacks & callbacks_of(const rosidl_message_type_support_t * dispatcher, const char * id)
{
  const auto * handle = get_message_typesupport_handle(dispatcher, id);
  if (handle == nullptr) {
    throw std::runtime_error(std::string("no type support ") + id);
  }
  return *static_cast<const Callbacks *>(handle->data);
}

std::vector<uint8_t> serialize_with(
  const Callbacks & callbacks, const void * message, Endianness endianness)
{
  std::vector<uint8_t> bytes(callbacks.get_serialized_size(message));
  CdrOver over(bytes, endianness);
  EXPECT_TRUE(callbacks.cdr_serialize(message, over.cdr));
  return bytes;
}

TEST(CppDispatch, CppAndCPeersExchangeEverySharedVector)
{
  const Callbacks & cpp = callbacks_of(dispatcher(), "rosidl_typesupport_fastrtps_cpp");
  const Callbacks & c = callbacks_of(
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(),
    "rosidl_typesupport_fastrtps_c");
  for (const auto & vector : vectors()) {
    for (Endianness endianness : {kLittle, kBig}) {
      const auto & expected = endianness == kLittle ? vector.little_endian : vector.big_endian;
      const Features sent = message_from(vector);
      std::vector<uint8_t> from_cpp = serialize_with(cpp, &sent, endianness);
      CdrOver into_c(from_cpp, endianness);
      Record received = empty_record();
      ASSERT_TRUE(c.cdr_deserialize(into_c.cdr, received.get())) << vector.name;
      expect_words_match(words_of(*received), vector);

      const Record source = make_record(vector);
      std::vector<uint8_t> from_c = serialize_with(c, source.get(), endianness);
      EXPECT_EQ(from_c, expected) << vector.name;
      CdrOver into_cpp(from_c, endianness);
      Features decoded;
      ASSERT_TRUE(cpp.cdr_deserialize(into_cpp.cdr, &decoded)) << vector.name;
      expect_message_matches(decoded, vector);
    }
  }
}

}  // namespace
