// The C++ CDR type support on bad input and full buffers: which exception,
// where the Cdr stands afterwards, and what the message holds; and decoding
// that reuses storage.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "cpp_features_support.hpp"
#include "fastcdr/exceptions/BadParamException.h"
#include "fastcdr/exceptions/NotEnoughMemoryException.h"
#include "features__cdr_sequence.hpp"
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_cpp.hpp"

namespace
{

using namespace pelmora_tests;
namespace ts = pelmora::msg::typesupport_fastrtps_cpp;
using eprosima::fastcdr::exception::BadParamException;
using eprosima::fastcdr::exception::NotEnoughMemoryException;

void put_le32(std::vector<uint8_t> & bytes, size_t offset, uint32_t value)
{
  for (size_t i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

// worked_example_48 has one descriptor element, so the uniqueid length word
// sits at byte 16 and 28 bytes remain behind it.
constexpr size_t kUniqueidLength = 16;

std::vector<uint8_t> worked_example_with_uniqueid_length(uint32_t length)
{
  std::vector<uint8_t> bytes = shared_vector("worked_example_48").little_endian;
  put_le32(bytes, kUniqueidLength, length);
  return bytes;
}

TEST(CppCdrFailures, LengthBeyondRemainingBytesThrowsBeforeTouchingTheVector)
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
  EXPECT_EQ(message.keypointnumber, 1u);
  EXPECT_EQ(message.descriptorsize, 32u);
  EXPECT_EQ(message.descriptor, std::vector<uint32_t>{7});
  EXPECT_EQ(message.uniqueid, (std::vector<uint32_t>{9, 9}));
  EXPECT_EQ(message.uniqueid.data(), old_storage);
}

TEST(CppCdrFailures, BlockReadThatRunsOutRestoresTheCdrAndRethrows)
{
  // Enough bytes for the plausibility check, not for 4 * 28.
  std::vector<uint8_t> bytes = worked_example_with_uniqueid_length(28);
  CdrOver over(bytes, kLittle);
  Features message;
  message.x = {2.0f};
  EXPECT_THROW(ts::cdr_deserialize(over.cdr, message), NotEnoughMemoryException);
  EXPECT_EQ(over.cdr.getSerializedDataLength(), kUniqueidLength);
  EXPECT_EQ(message.descriptor, std::vector<uint32_t>{7});
  EXPECT_EQ(message.uniqueid.size(), 28u);
  EXPECT_EQ(message.x, std::vector<float>{2.0f});

  // The next read is the failing length word itself.
  uint32_t length = 0;
  over.cdr.deserialize(length);
  EXPECT_EQ(length, 28u);
}

TEST(CppCdrFailures, TruncatedBufferFailsWithAFastCdrException)
{
  const auto & vector = shared_vector("random_00");
  for (size_t cut = 0; cut < vector.little_endian.size(); cut += 4) {
    std::vector<uint8_t> bytes(vector.little_endian.begin(), vector.little_endian.begin() + cut);
    CdrOver over(bytes, kLittle);
    Features message;
    EXPECT_THROW(ts::cdr_deserialize(over.cdr, message), eprosima::fastcdr::exception::Exception)
      << "cut at " << cut;
    EXPECT_LE(over.cdr.getSerializedDataLength(), cut);
  }
}

TEST(CppCdrFailures, FailingBlockWriteSetsTheCdrBackToTheLengthWord)
{
  Features message;
  message.keypointnumber = 3;
  message.descriptor = {1, 2, 3};
  // Room for both counts, the descriptor length word and one element.
  std::vector<uint8_t> bytes(16, 0xAA);
  CdrOver over(bytes, kLittle);
  EXPECT_THROW(ts::cdr_serialize(message, over.cdr), NotEnoughMemoryException);
  EXPECT_EQ(over.cdr.getSerializedDataLength(), 8u);
  EXPECT_EQ(bytes[0], 3u);
}

TEST(CppCdrFailures, OverlongSequenceIsRefusedBeforeItsLengthWord)
{
  // A stand-in with the size of a vector no test can allocate; only its
  // size is read before the refusal.
  struct Huge
  {
    size_t size() const {return length;}
    const uint32_t * data() const {return &element;}
    size_t length;
    uint32_t element;
  };
  std::vector<uint8_t> bytes(64, 0xAA);
  CdrOver over(bytes, kLittle);
  over.cdr.serialize(uint32_t{5});

  const Huge too_long{size_t{1} << 32, 0};
  EXPECT_THROW(ts::detail::serialize_sequence(over.cdr, too_long), BadParamException);
  EXPECT_EQ(over.cdr.getSerializedDataLength(), 4u);
  EXPECT_EQ(bytes[4], 0xAA);

  // The largest countable length passes the check; the block write then
  // fails on the buffer and the Cdr returns to the length word.
  const Huge longest{std::numeric_limits<uint32_t>::max(), 0};
  EXPECT_THROW(ts::detail::serialize_sequence(over.cdr, longest), NotEnoughMemoryException);
  EXPECT_EQ(over.cdr.getSerializedDataLength(), 4u);
}

TEST(CppCdrFailures, CallbackSizeSaturatesInsteadOfWrapping)
{
  EXPECT_EQ(ts::detail::callback_serialized_size(48), 48u);
  EXPECT_EQ(ts::detail::callback_serialized_size(0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_EQ(ts::detail::callback_serialized_size(size_t{1} << 32), 0xFFFFFFFFu);
  EXPECT_EQ(ts::detail::callback_serialized_size((size_t{1} << 32) + 40), 0xFFFFFFFFu);
}

TEST(CppCdrFailures, ZeroLengthClearsTheVectorAndKeepsItsCapacity)
{
  std::vector<uint8_t> bytes = shared_vector("all_empty").little_endian;
  CdrOver over(bytes, kLittle);
  Features message;
  message.descriptor = {1, 2, 3, 4};
  message.angle = {1.0f};
  const size_t capacity = message.descriptor.capacity();
  ASSERT_TRUE(ts::cdr_deserialize(over.cdr, message));
  EXPECT_TRUE(message.descriptor.empty());
  EXPECT_EQ(message.descriptor.capacity(), capacity);
  EXPECT_TRUE(message.angle.empty());
  EXPECT_EQ(message.angle.capacity(), 1u);
}

TEST(CppCdrFailures, DecodingReusesStorageThatIsLargeEnough)
{
  const auto & vector = shared_vector("worked_example_48");
  std::vector<uint8_t> bytes = vector.little_endian;
  CdrOver over(bytes, kLittle);
  Features message;
  message.descriptor = {5, 6, 7, 8};
  message.x.reserve(16);
  const uint32_t * descriptor_storage = message.descriptor.data();
  const float * x_storage = message.x.data();
  ASSERT_TRUE(ts::cdr_deserialize(over.cdr, message));
  expect_message_matches(message, vector);
  EXPECT_EQ(message.descriptor.data(), descriptor_storage);
  EXPECT_EQ(message.x.data(), x_storage);
}

}  // namespace
