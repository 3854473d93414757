// The C CDR type support, reached through the dispatcher, against the shared
// wire vectors: bytes, round trips and the two size rules.
#include <gtest/gtest.h>

#include "c_typesupport_support.hpp"
#include "rosidl_typesupport_fastrtps_c/identifier.h"

namespace pelmora_tests
{
namespace
{

size_t pad(size_t position)
{
  return (4 - position % 4) % 4;
}

// are_equal compares floats as numbers, and a NaN equals nothing.
bool has_nan(const FeaturesVector & vector)
{
  for (size_t s = 5; s < 8; ++s) {
    for (uint32_t word : vector.sequences[s]) {
      if ((word & 0x7f800000u) == 0x7f800000u && (word & 0x007fffffu) != 0) {
        return true;
      }
    }
  }
  return false;
}

TEST(CdrWireBytes, EncodesEveryVectorByteForByteInBothByteOrders)
{
  ASSERT_GT(vectors().size(), 40u);
  for (const auto & vector : vectors()) {
    Record record = make_record(vector);
    EXPECT_EQ(encode(record.get()), vector.little_endian) << vector.name;
    EXPECT_EQ(encode(record.get(), Cdr::BIG_ENDIANNESS), vector.big_endian) << vector.name;
  }
}

// Decoding is checked by encoding the result again (the encoder is held to
// the vectors above), which compares floats by their bits, NaN payloads too.
TEST(CdrWireBytes, DecodesEveryVectorToAnEqualRecordInBothByteOrders)
{
  for (const auto & vector : vectors()) {
    Record little = empty_record();
    Record big = empty_record();
    ASSERT_TRUE(decode(vector.little_endian, little.get())) << vector.name;
    ASSERT_TRUE(decode(vector.big_endian, big.get(), Cdr::BIG_ENDIANNESS)) << vector.name;
    EXPECT_EQ(encode(little.get()), vector.little_endian) << vector.name;
    EXPECT_EQ(encode(big.get()), vector.little_endian) << vector.name;
    EXPECT_EQ(pelmora__msg__Features__are_equal(make_record(vector).get(), little.get()),
      !has_nan(vector)) << vector.name;
  }
}

TEST(CdrWireBytes, DecodeIgnoresTrailingBytesAndReplacesWhatTheRecordHeld)
{
  // The target's sequences all hold data first, some longer, some shorter.
  for (const auto & vector : vectors()) {
    std::vector<uint8_t> bytes = vector.little_endian;
    bytes.insert(bytes.end(), {0xff, 0xff, 0xff, 0xff, 0x01});
    Record record = make_record(vectors().back());
    ASSERT_TRUE(decode(bytes, record.get())) << vector.name;
    EXPECT_EQ(encode(record.get()), vector.little_endian) << vector.name;
  }
}

TEST(CdrWireBytes, SerializedSizeFollowsTheStartingPosition)
{
  cdr_callbacks();  // loads the library
  auto * size_of = loaded_symbol<size_t(const void *, size_t)>(
    "rosidl_typesupport_fastrtps_c", "get_serialized_size_pelmora__msg__Features");
  ASSERT_NE(size_of, nullptr);
  for (const auto & vector : vectors()) {
    Record record = make_record(vector);
    const size_t length = vector.little_endian.size();
    EXPECT_EQ(cdr_callbacks().get_serialized_size(record.get()), length) << vector.name;
    for (size_t start = 0; start <= 5; ++start) {
      EXPECT_EQ(size_of(record.get(), start), pad(start) + length) << vector.name;
      // The encoder, placed behind `start` bytes, writes exactly that many.
      eprosima::fastcdr::FastBuffer buffer;
      Cdr cdr(buffer, kLittle, Cdr::DDS_CDR);
      for (size_t i = 0; i < start; ++i) {
        cdr.serialize(uint8_t{0});
      }
      ASSERT_TRUE(cdr_callbacks().cdr_serialize(record.get(), cdr));
      EXPECT_EQ(cdr.getSerializedDataLength() - start, pad(start) + length) << vector.name;
    }
  }
}

TEST(CdrWireBytes, MaximumSizeIsTheEmptyMessageWithBothFlagsFalse)
{
  char bounds = 7;
  EXPECT_EQ(cdr_callbacks().max_serialized_size(bounds), 40u);
  EXPECT_EQ(bounds, 0);
  auto * max_size = loaded_symbol<size_t(bool &, bool &, size_t)>(
    "rosidl_typesupport_fastrtps_c", "max_serialized_size_pelmora__msg__Features");
  ASSERT_NE(max_size, nullptr);
  for (size_t start = 0; start <= 5; ++start) {
    bool full_bounded = true;
    bool is_plain = true;
    EXPECT_EQ(max_size(full_bounded, is_plain, start), pad(start) + 40);
    EXPECT_FALSE(full_bounded || is_plain);
  }
}

TEST(CdrWireBytes, HandleIsOneRecordNamingTheFastrtpsIdentifier)
{
  const rosidl_message_type_support_t * handle = type_support("rosidl_typesupport_fastrtps_c");
  HandleFunction * handle_function = loaded_handle_function("rosidl_typesupport_fastrtps_c");
  ASSERT_NE(handle_function, nullptr);
  EXPECT_EQ(handle_function(), handle);
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_fastrtps_c__identifier);
  EXPECT_EQ(handle->func, &get_message_typesupport_handle_function);
  EXPECT_STREQ(cdr_callbacks().message_namespace_, "pelmora::msg");
  EXPECT_STREQ(cdr_callbacks().message_name_, "Features");
}

}  // namespace
}  // namespace pelmora_tests
