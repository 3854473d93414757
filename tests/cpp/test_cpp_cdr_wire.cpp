// The C++ CDR type support against the shared wire vectors: exact bytes in
// both byte orders, decoding back, the size rules and the handle.
#include <gtest/gtest.h>

#include <vector>

#include "cpp_features_support.hpp"
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_cpp.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace
{

using namespace pelmora_tests;
namespace ts = pelmora::msg::typesupport_fastrtps_cpp;

std::vector<uint8_t> encode(const Features & message, Endianness endianness)
{
  return encode_with(ts::cdr_serialize, message, ts::get_serialized_size(message, 0), endianness);
}

const message_type_support_callbacks_t & callbacks()
{
  const auto * handle =
    rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__pelmora__msg__Features();
  return *static_cast<const message_type_support_callbacks_t *>(handle->data);
}

TEST(CppCdrWire, EncoderWritesEverySharedVectorByteForByte)
{
  ASSERT_GE(shared_vectors().size(), 13u);
  for (const auto & vector : shared_vectors()) {
    const Features message = message_from(vector);
    EXPECT_EQ(encode(message, kLittle), vector.little_endian) << vector.name;
    EXPECT_EQ(encode(message, kBig), vector.big_endian) << vector.name;
  }
}

TEST(CppCdrWire, DecoderReadsEverySharedVectorBackExactly)
{
  for (const auto & vector : shared_vectors()) {
    for (Endianness endianness : {kLittle, kBig}) {
      std::vector<uint8_t> bytes =
        endianness == kLittle ? vector.little_endian : vector.big_endian;
      CdrOver over(bytes, endianness);
      Features decoded;
      ASSERT_TRUE(ts::cdr_deserialize(over.cdr, decoded)) << vector.name;
      EXPECT_EQ(over.cdr.getSerializedDataLength(), bytes.size()) << vector.name;
      expect_message_matches(decoded, vector);
    }
  }
}

TEST(CppCdrWire, DecoderIgnoresBytesAfterTheMessage)
{
  const auto & vector = shared_vector("worked_example_48");
  std::vector<uint8_t> bytes = vector.little_endian;
  bytes.insert(bytes.end(), {0xde, 0xad, 0xbe, 0xef, 0x01});
  CdrOver over(bytes, kLittle);
  Features decoded;
  ASSERT_TRUE(ts::cdr_deserialize(over.cdr, decoded));
  EXPECT_EQ(over.cdr.getSerializedDataLength(), vector.little_endian.size());
  expect_message_matches(decoded, vector);
}

TEST(CppCdrWire, SerializedSizeIsTheEncodedLengthPlusLeadingPadding)
{
  for (const auto & vector : shared_vectors()) {
    const Features message = message_from(vector);
    EXPECT_EQ(ts::get_serialized_size(message, 0), vector.little_endian.size()) << vector.name;
    // From position a, (4 - a mod 4) mod 4 bytes of padding come first.
    const size_t padding[] = {0, 3, 2, 1, 0, 3, 2, 1};
    for (size_t a = 0; a < 8; ++a) {
      EXPECT_EQ(ts::get_serialized_size(message, a), padding[a] + vector.little_endian.size())
        << vector.name << " from " << a;
    }
  }
}

TEST(CppCdrWire, MaximumSizeIsTheEmptyMessageAndBoundsNothing)
{
  const size_t expected[] = {40, 43, 42, 41, 40};
  for (size_t a = 0; a < 5; ++a) {
    bool bounded = true;
    bool plain = true;
    EXPECT_EQ(ts::max_serialized_size_Features(bounded, plain, a), expected[a]);
    EXPECT_FALSE(bounded);
    EXPECT_FALSE(plain);
  }
  char bounds_info = 7;
  EXPECT_EQ(callbacks().max_serialized_size(bounds_info), 40u);
  EXPECT_EQ(bounds_info, 0);
}

TEST(CppCdrWire, HandleAndCallbacksPublishTheTypeSupport)
{
  const auto * handle =
    rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__pelmora__msg__Features();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(handle, rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<Features>());
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_fastrtps_cpp::typesupport_identifier);
  EXPECT_EQ(get_message_typesupport_handle(handle, "rosidl_typesupport_fastrtps_cpp"), handle);
  EXPECT_STREQ(callbacks().message_namespace_, "pelmora::msg");
  EXPECT_STREQ(callbacks().message_name_, "Features");

  // The callbacks write and read the same bytes as the typed functions.
  const auto & vector = shared_vector("worked_example_48");
  const Features message = message_from(vector);
  EXPECT_EQ(callbacks().get_serialized_size(&message), 48u);
  const auto serialize = [](const Features & m, eprosima::fastcdr::Cdr & cdr) {
      return callbacks().cdr_serialize(&m, cdr);
    };
  std::vector<uint8_t> bytes = encode_with(serialize, message, 48, kLittle);
  EXPECT_EQ(bytes, vector.little_endian);
  CdrOver over(bytes, kLittle);
  Features decoded;
  ASSERT_TRUE(callbacks().cdr_deserialize(over.cdr, &decoded));
  EXPECT_EQ(decoded, message);
}

}  // namespace
