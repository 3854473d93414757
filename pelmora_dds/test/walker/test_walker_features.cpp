// Features through both walkers, checked against the independently computed
// wire vectors and against the CDR type supports' own bytes.
#include <gtest/gtest.h>

#include <random>

#include "walker_support.hpp"

namespace pelmora_tests
{
namespace
{

TEST(WalkerFeatures, CodecsComeFromBothDispatchersWithTheDdsTypeName)
{
  EXPECT_EQ(pelmora_cdr_walker::dds_type_name(c_codec()), "pelmora::msg::dds_::Features_");
  EXPECT_EQ(pelmora_cdr_walker::dds_type_name(cpp_codec()), "pelmora::msg::dds_::Features_");
  EXPECT_EQ(c_codec().message_size(), sizeof(pelmora__msg__Features));
  EXPECT_EQ(cpp_codec().message_size(), sizeof(pelmora::msg::Features));
}

TEST(WalkerFeatures, EncodesEveryVectorInBothByteOrders)
{
  for (const auto & vector : vectors()) {
    const Record record = make_record(vector);
    const pelmora::msg::Features message = message_from(vector);
    for (const ByteOrder order : {ByteOrder::little, ByteOrder::big}) {
      const auto expected = vector_sample(vector, order);
      EXPECT_EQ(sample_of(c_codec(), record.get(), order), expected) << vector.name;
      EXPECT_EQ(sample_of(cpp_codec(), &message, order), expected) << vector.name;
      EXPECT_EQ(c_codec().serialized_size(record.get()), expected.size()) << vector.name;
      EXPECT_EQ(cpp_codec().serialized_size(&message), expected.size()) << vector.name;
    }
  }
}

TEST(WalkerFeatures, DecodesEveryVectorFromBothByteOrders)
{
  for (const auto & vector : vectors()) {
    for (const ByteOrder order : {ByteOrder::little, ByteOrder::big}) {
      const auto sample = vector_sample(vector, order);
      std::string error;
      // Decoded into a record that held other data before.
      Record record = make_record(vector_named("worked_example_48"));
      ASSERT_TRUE(c_codec().decode(sample.data(), sample.size(), record.get(), &error)) << error;
      EXPECT_EQ(encode(record.get()), vector.little_endian) << vector.name;

      pelmora::msg::Features message = message_from(vector_named("special_floats"));
      ASSERT_TRUE(cpp_codec().decode(sample.data(), sample.size(), &message, &error)) << error;
      EXPECT_EQ(message.keypointnumber, vector.keypointnumber);
      EXPECT_EQ(message.descriptorsize, vector.descriptorsize);
      EXPECT_EQ(words_of(message).sequences, vector.sequences) << vector.name;
    }
  }
}

TEST(WalkerFeatures, MatchesTheCdrTypeSupportOnLargeRandomMessages)
{
  std::mt19937 random(13);
  for (int round = 0; round < 8; ++round) {
    Record record = empty_record();
    for (auto * s : {&record->descriptor, &record->uniqueid, &record->confidence}) {
      ASSERT_TRUE(rosidl_runtime_c__uint32__Sequence__init(s, random() % 70000));
      for (size_t i = 0; i < s->size; ++i) {
        s->data[i] = static_cast<uint32_t>(random());
      }
    }
    ASSERT_TRUE(rosidl_runtime_c__float__Sequence__init(&record->angle, random() % 5000));
    for (size_t i = 0; i < record->angle.size; ++i) {
      record->angle.data[i] = static_cast<float>(random() % 100000) / 8.0f;
    }
    record->keypointnumber = static_cast<uint32_t>(random());
    const auto sample = sample_of(c_codec(), record.get());
    const auto expected = with_header(encode(record.get()), ByteOrder::little);
    ASSERT_EQ(sample, expected);

    Record back = empty_record();
    ASSERT_TRUE(c_codec().decode(sample.data(), sample.size(), back.get(), nullptr));
    EXPECT_TRUE(pelmora__msg__Features__are_equal(back.get(), record.get()));
  }
}

TEST(WalkerFeatures, IgnoresBytesAfterTheBodyAndRefusesTooSmallBuffers)
{
  const auto & vector = vector_named("worked_example_48");
  auto sample = vector_sample(vector);
  sample.insert(sample.end(), {0xde, 0xad, 0xbe});
  pelmora::msg::Features message;
  ASSERT_TRUE(cpp_codec().decode(sample.data(), sample.size(), &message, nullptr));
  EXPECT_EQ(words_of(message).sequences, vector.sequences);

  const Record record = make_record(vector);
  std::vector<uint8_t> small(c_codec().serialized_size(record.get()) - 1);
  std::string error;
  EXPECT_FALSE(c_codec().encode(
      record.get(), small.data(), small.size(), ByteOrder::little, nullptr, &error));
  EXPECT_NE(error.find("too small"), std::string::npos) << error;
}

}  // namespace
}  // namespace pelmora_tests
