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

constexpr uint64_t kOverLengthWord = uint64_t{1} << 32;

std::vector<uint8_t> with_word(std::vector<uint8_t> bytes, size_t offset, uint32_t value)
{
  for (size_t i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  return bytes;
}

TEST(CdrFailures, NullMessageIsRefusedInBothDirectionsWithoutTouchingTheCdr)
{
  std::vector<char> bytes(vector_named("all_empty").little_endian.size());
  eprosima::fastcdr::FastBuffer buffer(bytes.data(), bytes.size());
  Cdr cdr(buffer, Cdr::LITTLE_ENDIANNESS, Cdr::DDS_CDR);
  {
    StderrCapture err;
    EXPECT_FALSE(cdr_callbacks().cdr_serialize(nullptr, cdr));
    EXPECT_EQ(err.text(), "ros message handle is null\n");
  }
  {
    StderrCapture err;
    EXPECT_FALSE(cdr_callbacks().cdr_deserialize(cdr, nullptr));
    EXPECT_EQ(err.text(), "ros message handle is null\n");
  }
  EXPECT_EQ(cdr.getSerializedDataLength(), 0u);
}

TEST(CdrFailures, LengthBeyondTheBytesLeftIsRefusedBeforeTheFieldIsTouched)
{
  // The descriptor length word is at byte 8 with 28 bytes behind it.
  const auto & empty = vector_named("all_empty").little_endian;
  for (uint32_t length : {29u, 1000u, std::numeric_limits<uint32_t>::max()}) {
    Record record = make_record(vector_named("scalar_extremes"));
    const uint32_t * held = record->descriptor.data;
    StderrCapture err;
    EXPECT_FALSE(decode(with_word(empty, 8, length), record.get()));
    EXPECT_EQ(err.text(), "sequence size exceeds remaining buffer\n");
    EXPECT_EQ(record->keypointnumber, 0u);  // decoded before the failure
    EXPECT_EQ(record->descriptor.data, held);
    EXPECT_EQ(record->descriptor.size, 3u);
    EXPECT_EQ(record->confidence.size, 1u);
  }

  // A later field: those before it are decoded, it and those after it kept.
  Record record = make_record(vector_named("special_floats"));
  const auto & worked = vector_named("worked_example_48").little_endian;
  StderrCapture err;
  EXPECT_FALSE(decode(with_word(worked, 32, 13), record.get()));  // x: 12 bytes left
  EXPECT_EQ(err.text(), "sequence size exceeds remaining buffer\n");
  ASSERT_EQ(record->descriptor.size, 1u);
  EXPECT_EQ(record->descriptor.data[0], 7u);
  EXPECT_EQ(record->x.size, 5u);
  EXPECT_EQ(record->y.size, 3u);
}

TEST(CdrFailures, LengthWithinTheBytesButNotTheWordsThrowsFromFastCdr)
{
  const auto bytes = with_word(vector_named("all_empty").little_endian, 8, 28);
  Record record(pelmora__msg__Features__create(), pelmora__msg__Features__destroy);
  StderrCapture err;
  EXPECT_THROW(decode(bytes, record.get()), eprosima::fastcdr::exception::Exception);
  EXPECT_EQ(err.text(), "");
  EXPECT_EQ(record->descriptor.size, 28u);
}

// Sequences whose count claims 2^32 elements over a page that cannot be read:
// the encoder must refuse them without looking at a single element.
class OverlongSequence : public ::testing::Test
{
protected:
  void SetUp() override
  {
    page_ = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page_, MAP_FAILED);
  }

  void TearDown() override
  {
    munmap(page_, 4096);
  }

  template<typename Sequence>
  void claim(Sequence & sequence)
  {
    sequence.data = static_cast<decltype(sequence.data)>(page_);
    sequence.size = sequence.capacity = kOverLengthWord;
  }

  void * page_ = nullptr;
};

TEST_F(OverlongSequence, EncoderRefusesTheMessageBeforeWritingAnything)
{
  for (const char * field : {"descriptor", "angle"}) {
    pelmora__msg__Features record;
    ASSERT_TRUE(pelmora__msg__Features__init(&record));
    if (std::string(field) == "descriptor") {
      claim(record.descriptor);
    } else {
      claim(record.angle);
    }
    eprosima::fastcdr::FastBuffer buffer;
    Cdr cdr(buffer, Cdr::LITTLE_ENDIANNESS, Cdr::DDS_CDR);
    StderrCapture err;
    EXPECT_FALSE(cdr_callbacks().cdr_serialize(&record, cdr)) << field;
    EXPECT_EQ(err.text(), "sequence size exceeds 4294967295 elements\n");
    EXPECT_EQ(cdr.getSerializedDataLength(), 0u) << field;
  }
}

TEST_F(OverlongSequence, SizeBeyondFourGibibytesSaturatesInTheCallback)
{
  pelmora__msg__Features record;
  ASSERT_TRUE(pelmora__msg__Features__init(&record));
  claim(record.x);
  EXPECT_EQ(cdr_callbacks().get_serialized_size(&record), std::numeric_limits<uint32_t>::max());
  auto * size_of = loaded_symbol<size_t(const void *, size_t)>(
    kCdrLibrary, "get_serialized_size_pelmora__msg__Features");
  ASSERT_NE(size_of, nullptr);
  EXPECT_EQ(size_of(&record, 1), 3 + 40 + 4 * kOverLengthWord);
}

}  // namespace
}  // namespace pelmora_tests
