// The messages the benchmarks move: the Features shapes of the C and C++
// programs, and the octet-sequence baseline of the Fast-DDS benchmark. The
// ratios only mean something if both sides of each carry the bytes they claim.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench_common.hpp"
#include "c_features.hpp"
#include "c_record.hpp"
#include "cpp_features.hpp"
#include "fastcdr/exceptions/NotEnoughMemoryException.h"
#include "octets_type_support.hpp"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"

namespace
{

using pelmora_bench::CdrOver;

using pelmora_bench::callbacks_of;
using pelmora_bench::CFeatures;
using pelmora_bench::CppFeatures;

std::vector<char> encode(const message_type_support_callbacks_t & cb, const void * message)
{
  std::vector<char> bytes(cb.get_serialized_size(message));
  CdrOver out(bytes.data(), bytes.size());
  EXPECT_TRUE(cb.cdr_serialize(message, out.cdr));
  EXPECT_EQ(out.cdr.getSerializedDataLength(), bytes.size());
  return bytes;
}

uint32_t word_at(const std::vector<char> & bytes, size_t offset)
{
  uint32_t word = 0;
  std::memcpy(&word, bytes.data() + offset, 4);
  return word;
}

TEST(BenchMessages, FeaturesShapeHasEightDescriptorWordsAndOneElementPerKeypoint)
{
  const auto record = pelmora_bench::make_record(5);
  const pelmora_tests::FeaturesWords words = pelmora_tests::words_of(*record);
  for (size_t f = 0; f < pelmora_tests::kSequenceFields.size(); ++f) {
    const std::string name = pelmora_tests::kSequenceFields[f].name;
    EXPECT_EQ(words.sequences[f].size(), name == "descriptor" ? 40u : 5u) << name;
  }
  EXPECT_EQ(CFeatures::callbacks().get_serialized_size(record.get()), pelmora_bench::encoded_bytes(5));
  EXPECT_EQ(pelmora_bench::encoded_bytes(17477), 1048660u);  // the first size of 1 MiB or more
}

TEST(BenchMessages, CAndCppProgramsMoveTheSameBytes)
{
  for (size_t keypoints : {0, 1, 7, 300}) {
    const auto record = pelmora_bench::make_record(keypoints);
    const pelmora::msg::Features message = pelmora_bench::make_message(keypoints);
    EXPECT_EQ(encode(CFeatures::callbacks(), record.get()), encode(CppFeatures::callbacks(), &message))
      << keypoints;
  }
}

TEST(BenchMessages, FeaturesValuesAreNotAllAlike)
{
  // A block of one repeated value could be copied faster than real data.
  const auto record = pelmora_bench::make_record(64);
  EXPECT_NE(record->descriptor.data[0], record->descriptor.data[1]);
  EXPECT_NE(record->descriptor.data[0], record->uniqueid.data[0]);
  EXPECT_NE(record->x.data[1], record->x.data[2]);
}

TEST(BenchMessages, OctetHandlesCarryTheFastCdrIdentifiers)
{
  EXPECT_EQ(pelmora_bench::octets_c_type_support()->typesupport_identifier,
    rosidl_typesupport_fastrtps_c__identifier);
  EXPECT_EQ(pelmora_bench::octets_cpp_type_support()->typesupport_identifier,
    rosidl_typesupport_fastrtps_cpp::typesupport_identifier);
  char bounds = 7;
  EXPECT_EQ(callbacks_of(pelmora_bench::octets_c_type_support()).max_serialized_size(bounds), 4u);
  EXPECT_EQ(bounds, 0);  // unbounded, like Features
}

TEST(BenchMessages, OctetsOfAKeypointCountEncodeToTheFeaturesByteCount)
{
  const size_t keypoints = 9;
  const size_t octets = pelmora_bench::encoded_bytes(keypoints) - 4;
  pelmora_bench::OctetsC * c_message = pelmora_bench::octets_c_create(octets);
  const std::vector<char> bytes = encode(callbacks_of(pelmora_bench::octets_c_type_support()), c_message);
  EXPECT_EQ(bytes.size(), pelmora_bench::encoded_bytes(keypoints));
  EXPECT_EQ(word_at(bytes, 0), octets);
  EXPECT_EQ(0, std::memcmp(bytes.data() + 4, c_message->data.data, octets));
  pelmora_bench::octets_c_destroy(c_message);
}

TEST(BenchMessages, COctetsDecodeReplacesStorageAndCppOctetsReadTheSameBytes)
{
  pelmora_bench::OctetsC * source = pelmora_bench::octets_c_create(1000);
  const auto & c_cb = callbacks_of(pelmora_bench::octets_c_type_support());
  std::vector<char> bytes = encode(c_cb, source);

  pelmora_bench::OctetsC * target = pelmora_bench::octets_c_create(3);
  CdrOver in(bytes.data(), bytes.size());
  ASSERT_TRUE(c_cb.cdr_deserialize(in.cdr, target));
  ASSERT_EQ(target->data.size, 1000u);
  EXPECT_EQ(target->data.capacity, 1000u);
  EXPECT_EQ(0, std::memcmp(target->data.data, source->data.data, 1000));

  pelmora_bench::OctetsCpp cpp_target;
  const auto & cpp_cb = callbacks_of(pelmora_bench::octets_cpp_type_support());
  CdrOver cpp_in(bytes.data(), bytes.size());
  ASSERT_TRUE(cpp_cb.cdr_deserialize(cpp_in.cdr, &cpp_target));
  ASSERT_EQ(cpp_target.data.size(), 1000u);
  EXPECT_EQ(0, std::memcmp(cpp_target.data.data(), source->data.data, 1000));
  EXPECT_EQ(encode(cpp_cb, &cpp_target), bytes);

  pelmora_bench::octets_c_destroy(target);
  pelmora_bench::octets_c_destroy(source);
}

TEST(BenchMessages, OctetDecodersRefuseALengthBeyondTheBuffer)
{
  std::vector<char> bytes(4 + 10);
  const uint32_t claimed = 11;
  std::memcpy(bytes.data(), &claimed, 4);

  pelmora_bench::OctetsC * c_target = pelmora_bench::octets_c_create(2);
  CdrOver in(bytes.data(), bytes.size());
  EXPECT_FALSE(callbacks_of(pelmora_bench::octets_c_type_support()).cdr_deserialize(in.cdr, c_target));
  EXPECT_EQ(c_target->data.size, 2u);  // left as it was
  pelmora_bench::octets_c_destroy(c_target);

  pelmora_bench::OctetsCpp cpp_target;
  CdrOver cpp_in(bytes.data(), bytes.size());
  EXPECT_THROW(
    callbacks_of(pelmora_bench::octets_cpp_type_support()).cdr_deserialize(cpp_in.cdr, &cpp_target),
    eprosima::fastcdr::exception::NotEnoughMemoryException);
}

}  // namespace
