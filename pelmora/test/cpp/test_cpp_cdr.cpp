// The C++ CDR type support: exact bytes against the shared vectors, the size
// rules and the handle; then bad input and full buffers (which exception,
// where the Cdr stands, what the message keeps) and storage reuse.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "cpp_features_support.hpp"
#include "fastcdr/exceptions/BadParamException.h"
#include "fastcdr/exceptions/NotEnoughMemoryException.h"
#include "features__cdr_sequence.hpp"
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_cpp.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace
{

using namespace pelmora_tests;
namespace ts = pelmora::msg::typesupport_fastrtps_cpp;
using eprosima::fastcdr::exception::BadParamException;
using eprosima::fastcdr::exception::NotEnoughMemoryException;

std::vector<uint8_t> encode(const Features & message, Endianness endianness)
{
  std::vector<uint8_t> bytes(ts::get_serialized_size(message, 0));
  CdrOver over(bytes, endianness);
  EXPECT_TRUE(ts::cdr_serialize(message, over.cdr));
  EXPECT_EQ(over.cdr.getSerializedDataLength(), bytes.size());
  return bytes;
}

TEST(CppCdr, EverySharedVectorEncodesAndDecodesExactly)
{
  ASSERT_GE(vectors().size(), 13u);
  for (const auto & vector : vectors()) {
    for (Endianness endianness : {kLittle, kBig}) {
      const auto & expected = endianness == kLittle ? vector.little_endian : vector.big_endian;
      std::vector<uint8_t> bytes = encode(message_from(vector), endianness);
      EXPECT_EQ(bytes, expected) << vector.name;
      bytes.insert(bytes.end(), {0xde, 0xad, 0xbe});  // ignored: the message ends before
      CdrOver over(bytes, endianness);
      Features decoded;
      ASSERT_TRUE(ts::cdr_deserialize(over.cdr, decoded)) << vector.name;
      EXPECT_EQ(over.cdr.getSerializedDataLength(), expected.size()) << vector.name;
      expect_message_matches(decoded, vector);
    }
    const size_t padding[] = {0, 3, 2, 1, 0};
    for (size_t a = 0; a < 5; ++a) {
      EXPECT_EQ(
        ts::get_serialized_size(message_from(vector), a), padding[a] + vector.little_endian.size());
    }
  }
}

TEST(CppCdr, MaximumSizeAndHandlePublishAnUnboundedType)
{
  bool bounded = true;
  bool plain = true;
  EXPECT_EQ(ts::max_serialized_size_Features(bounded, plain, 0), 40u);
  EXPECT_EQ(ts::max_serialized_size_Features(bounded, plain, 3), 41u);
  EXPECT_FALSE(bounded || plain);

  const auto * handle =
    rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__pelmora__msg__Features();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(handle, rosidl_typesupport_fastrtps_cpp::get_message_type_support_handle<Features>());
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_fastrtps_cpp::typesupport_identifier);
  const auto & callbacks = *static_cast<const message_type_support_callbacks_t *>(handle->data);
  EXPECT_STREQ(callbacks.message_namespace_, "pelmora::msg");
  EXPECT_STREQ(callbacks.message_name_, "Features");
  char bounds_info = 7;
  EXPECT_EQ(callbacks.max_serialized_size(bounds_info), 40u);
  EXPECT_EQ(bounds_info, 0);
  const Features message = message_from(vector_named("worked_example_48"));
  EXPECT_EQ(callbacks.get_serialized_size(&message), 48u);
}

// worked_example_48 has one descriptor element, so the uniqueid length word
// sits at byte 16 and 28 bytes remain behind it.
constexpr size_t kUniqueidLength = 16;

std::vector<uint8_t> worked_example_with_uniqueid_length(uint8_t length)
{
  std::vector<uint8_t> bytes = vector_named("worked_example_48").little_endian;
  bytes[kUniqueidLength] = length;
  return bytes;
}

TEST(CppCdr, LengthBeyondRemainingBytesThrowsBeforeTouchingTheVector)
{
  std::vector<uint8_t> bytes = worked_example_with_uniqueid_length(29);
  CdrOver over(bytes, kLittle);
  Features message;
  message.uniqueid = {9, 9};
  const uint32_t * old_storage = message.uniqueid.data();
  try {
    ts::cdr_deserialize(over.cdr, message);
    FAIL() << "no exception";
  } catch (const NotEnoughMemoryException & error) {
    EXPECT_STREQ(error.what(), NotEnoughMemoryException::NOT_ENOUGH_MEMORY_MESSAGE_DEFAULT);
  }
  EXPECT_EQ(over.cdr.getSerializedDataLength(), kUniqueidLength);
  EXPECT_EQ(message.descriptorsize, 32u);
  EXPECT_EQ(message.descriptor, std::vector<uint32_t>{7});
  EXPECT_EQ(message.uniqueid, (std::vector<uint32_t>{9, 9}));
  EXPECT_EQ(message.uniqueid.data(), old_storage);
}

TEST(CppCdr, BlockReadThatRunsOutRestoresTheCdrAndRethrows)
{
  // Enough bytes for the plausibility check, not for 4 * 28.
  std::vector<uint8_t> bytes = worked_example_with_uniqueid_length(28);
  CdrOver over(bytes, kLittle);
  Features message;
  message.x = {2.0f};
  EXPECT_THROW(ts::cdr_deserialize(over.cdr, message), NotEnoughMemoryException);
  EXPECT_EQ(message.descriptor, std::vector<uint32_t>{7});
  EXPECT_EQ(message.x, std::vector<float>{2.0f});
  uint32_t next_word = 0;
  over.cdr.deserialize(next_word);
  EXPECT_EQ(next_word, 28u);  // the Cdr stood at the failing length word
}

TEST(CppCdr, FailingBlockWriteSetsTheCdrBackToTheLengthWord)
{
  Features message;
  message.descriptor = {1, 2, 3};
  std::vector<uint8_t> bytes(16);  // both counts, a length word, one element
  CdrOver over(bytes, kLittle);
  EXPECT_THROW(ts::cdr_serialize(message, over.cdr), NotEnoughMemoryException);
  EXPECT_EQ(over.cdr.getSerializedDataLength(), 8u);
}

TEST(CppCdr, OverlongSequenceIsRefusedBeforeItsLengthWord)
{
  // Stands in for a vector no test can allocate; only size() is read before
  // the refusal, and the block write of the longest countable one fails on
  // the buffer without reading the elements.
  struct Huge
  {
    size_t size() const {return length;}
    const uint32_t * data() const {return &element;}
    size_t length;
    uint32_t element;
  };
  std::vector<uint8_t> bytes(64);
  CdrOver over(bytes, kLittle);
  over.cdr.serialize(uint32_t{5});
  EXPECT_THROW(ts::detail::serialize_sequence(over.cdr, Huge{size_t{1} << 32, 0}), BadParamException);
  EXPECT_EQ(over.cdr.getSerializedDataLength(), 4u);
  EXPECT_THROW(
    ts::detail::serialize_sequence(over.cdr, Huge{std::numeric_limits<uint32_t>::max(), 0}),
    NotEnoughMemoryException);
  EXPECT_EQ(over.cdr.getSerializedDataLength(), 4u);

  EXPECT_EQ(ts::detail::callback_serialized_size(0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_EQ(ts::detail::callback_serialized_size((size_t{1} << 32) + 40), 0xFFFFFFFFu);
}

TEST(CppCdr, DecodingReusesStorageAndZeroLengthKeepsCapacity)
{
  std::vector<uint8_t> bytes = vector_named("worked_example_48").little_endian;
  CdrOver over(bytes, kLittle);
  Features message;
  message.descriptor = {5, 6, 7, 8};
  message.x.reserve(16);
  message.angle = {1.0f, 2.0f};
  const uint32_t * descriptor_storage = message.descriptor.data();
  const float * x_storage = message.x.data();
  ASSERT_TRUE(ts::cdr_deserialize(over.cdr, message));
  expect_message_matches(message, vector_named("worked_example_48"));
  EXPECT_EQ(message.descriptor.data(), descriptor_storage);
  EXPECT_EQ(message.x.data(), x_storage);
  EXPECT_EQ(message.angle.capacity(), 2u);
}

}  // namespace
