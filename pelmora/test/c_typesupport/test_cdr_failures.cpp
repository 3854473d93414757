// Every way the C CDR type support refuses a message, with the exact text
// it leaves on standard error and what it leaves in the record and the Cdr.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>
#include <limits>

#include "c_typesupport_support.hpp"
#include "fastcdr/exceptions/Exception.h"

namespace pelmora_tests
{
namespace
{

constexpr uint32_t kMaxWord = std::numeric_limits<uint32_t>::max();

std::vector<uint8_t> with_word(std::vector<uint8_t> bytes, size_t offset, uint32_t value)
{
  for (size_t i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  return bytes;
}

TEST(CdrFailures, NullMessageIsRefusedInBothDirectionsWithoutTouchingTheCdr)
{
  std::vector<char> bytes(40);
  eprosima::fastcdr::FastBuffer buffer(bytes.data(), bytes.size());
  Cdr cdr(buffer, kLittle, Cdr::DDS_CDR);
  StderrCapture err;
  EXPECT_FALSE(cdr_callbacks().cdr_serialize(nullptr, cdr));
  EXPECT_FALSE(cdr_callbacks().cdr_deserialize(cdr, nullptr));
  EXPECT_EQ(err.text(), "ros message handle is null\nros message handle is null\n");
  EXPECT_EQ(cdr.getSerializedDataLength(), 0u);
}

TEST(CdrFailures, LengthBeyondTheBytesLeftIsRefusedBeforeTheFieldIsTouched)
{
  // The descriptor length word is at byte 8, with 28 bytes behind it.
  for (uint32_t length : {29u, 1000u, kMaxWord}) {
    Record record = make_record(vector_named("scalar_extremes"));
    const uint32_t * held = record->descriptor.data;
    StderrCapture err;
    EXPECT_FALSE(decode(with_word(vector_named("all_empty").little_endian, 8, length), record.get()));
    EXPECT_EQ(err.text(), "sequence size exceeds remaining buffer\n");
    EXPECT_EQ(record->keypointnumber, 0u);  // decoded before the failure
    EXPECT_EQ(record->descriptor.data, held);
    EXPECT_EQ(record->descriptor.size, 3u);
  }
  // At x (12 bytes left): the fields before it decoded, x and y kept.
  Record record = make_record(vector_named("special_floats"));
  StderrCapture err;
  EXPECT_FALSE(decode(with_word(vector_named("worked_example_48").little_endian, 32, 13), record.get()));
  EXPECT_EQ(err.text(), "sequence size exceeds remaining buffer\n");
  ASSERT_EQ(record->descriptor.size, 1u);
  EXPECT_EQ(record->descriptor.data[0], 7u);
  EXPECT_EQ(record->x.size, 5u);
  EXPECT_EQ(record->y.size, 3u);
}

TEST(CdrFailures, LengthWithinTheBytesButNotTheWordsThrowsFromFastCdr)
{
  Record record = empty_record();
  StderrCapture err;
  EXPECT_THROW(decode(with_word(vector_named("all_empty").little_endian, 8, 28), record.get()),
    eprosima::fastcdr::exception::Exception);
  EXPECT_EQ(err.text(), "");
  EXPECT_EQ(record->descriptor.size, 28u);
}

// Counts of 2^32 over a page that cannot be read: the encoder must refuse the
// message without reading one element or writing one byte, and the size
// callback, which can only say 32 bits, must not wrap to a small size.
TEST(CdrFailures, CountBeyondTheLengthWordIsRefusedBeforeAnythingIsWritten)
{
  void * page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(page, MAP_FAILED);
  const size_t claimed = size_t{kMaxWord} + 1;
  for (int field = 0; field < 2; ++field) {
    pelmora__msg__Features record;
    ASSERT_TRUE(pelmora__msg__Features__init(&record));  // never finalised
    if (field == 0) {
      record.descriptor = {static_cast<uint32_t *>(page), claimed, claimed};
    } else {
      record.angle = {static_cast<float *>(page), claimed, claimed};
    }
    eprosima::fastcdr::FastBuffer buffer;
    Cdr cdr(buffer, kLittle, Cdr::DDS_CDR);
    StderrCapture err;
    EXPECT_FALSE(cdr_callbacks().cdr_serialize(&record, cdr));
    EXPECT_EQ(err.text(), "sequence size exceeds 4294967295 elements\n");
    EXPECT_EQ(cdr.getSerializedDataLength(), 0u);
    EXPECT_EQ(cdr_callbacks().get_serialized_size(&record), kMaxWord);
    auto * size_of = loaded_symbol<size_t(const void *, size_t)>(
      "rosidl_typesupport_fastrtps_c", "get_serialized_size_pelmora__msg__Features");
    EXPECT_EQ(size_of(&record, 1), 3 + 40 + 4 * claimed);
  }
  munmap(page, 4096);
}

}  // namespace
}  // namespace pelmora_tests
