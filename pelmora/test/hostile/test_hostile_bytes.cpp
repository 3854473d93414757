// Bytes from the network are not to be trusted: every shared vector cut at
// every byte, length words that lie in each of the eight sequences, and
// messages decoded into records and messages that already hold data. Both
// decoders, both byte orders, each held to the independent reading of the
// bytes in decoder_checks.cpp. Leaks show in the sanitizer and valgrind runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decoder_checks.hpp"
#include "features_vectors.hpp"

namespace pelmora_hostile
{
namespace
{

using pelmora_tests::FeaturesVector;
using pelmora_tests::kFieldNames;
using pelmora_tests::kSequenceFields;

struct Encoded
{
  std::string label;
  bool big_endian;
  const std::vector<uint8_t> * bytes;
  const FeaturesVector * vector;
};

// Every vector in both byte orders.
std::vector<Encoded> every_encoding()
{
  std::vector<Encoded> all;
  for (const auto & vector : pelmora_tests::vectors()) {
    all.push_back({vector.name + " (little-endian)", false, &vector.little_endian, &vector});
    all.push_back({vector.name + " (big-endian)", true, &vector.big_endian, &vector});
  }
  return all;
}

// Offset of the length word of sequence `index` in the vector's encoding.
size_t length_word_offset(const FeaturesVector & vector, size_t index)
{
  size_t offset = 8;
  for (size_t k = 0; k < index; ++k) {
    offset += 4 + 4 * vector.sequences[k].size();
  }
  return offset;
}

std::vector<uint8_t> with_word(std::vector<uint8_t> bytes, size_t offset, uint32_t value, bool big_endian)
{
  for (size_t i = 0; i < 4; ++i) {
    const size_t shift = big_endian ? 8 * (3 - i) : 8 * i;
    bytes[offset + i] = static_cast<uint8_t>(value >> shift);
  }
  return bytes;
}

// Runs the three checks on the bytes and reports each difference with `what`.
void expect_decoders_hold(const uint8_t * data, size_t size, bool big_endian, const std::string & what)
{
  for (bool prefilled : {false, true}) {
    const char * into = prefilled ? " into a message holding data" : "";
    EXPECT_EQ(check_c_decoder(data, size, big_endian, prefilled), "") << what << into;
    EXPECT_EQ(check_cpp_decoder(data, size, big_endian, prefilled), "") << what << into;
  }
  EXPECT_EQ(check_decoders_agree(data, size, big_endian), "") << what;
}

// The checks are only as good as the reading they compare against.
TEST(HostileBytes, IndependentReadingAgreesWithEverySharedVector)
{
  for (const auto & encoded : every_encoding()) {
    const auto & bytes = *encoded.bytes;
    const Reading reading = read_features(bytes.data(), bytes.size(), encoded.big_endian);
    EXPECT_EQ(reading.outcome, Outcome::kDecoded) << encoded.label;
    EXPECT_EQ(reading.consumed, bytes.size()) << encoded.label;
    const Words & words = *encoded.vector;
    EXPECT_TRUE(reading.words == words) << encoded.label;
    EXPECT_EQ(encode_words(words, encoded.big_endian), bytes) << encoded.label;
  }
}

TEST(HostileBytes, EveryVectorDecodesIntoFreshAndIntoFilledMessages)
{
  for (const auto & encoded : every_encoding()) {
    expect_decoders_hold(encoded.bytes->data(), encoded.bytes->size(), encoded.big_endian, encoded.label);
  }
}

TEST(HostileBytes, EveryVectorCutAtEveryByteIsRefusedByBothDecoders)
{
  for (const auto & encoded : every_encoding()) {
    const auto & bytes = *encoded.bytes;
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      // A copy of exactly `cut` bytes: nothing behind the cut can be read.
      const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + cut);
      const std::string what = encoded.label + " cut to " + std::to_string(cut) + " bytes";
      ASSERT_NE(read_features(prefix.data(), cut, encoded.big_endian).outcome, Outcome::kDecoded) << what;
      expect_decoders_hold(prefix.data(), cut, encoded.big_endian, what);
    }
  }
}

TEST(HostileBytes, BytesBehindACompleteMessageAreLeftUnread)
{
  for (const auto & encoded : every_encoding()) {
    std::vector<uint8_t> longer = *encoded.bytes;
    longer.insert(longer.end(), {0xff, 0xff, 0xff, 0xff, 0x01});
    const Reading reading = read_features(longer.data(), longer.size(), encoded.big_endian);
    ASSERT_EQ(reading.consumed, encoded.bytes->size()) << encoded.label;
    expect_decoders_hold(longer.data(), longer.size(), encoded.big_endian, encoded.label + " with a tail");
  }
}

// 0 and 1 shift every word behind them into another role; 4294967295 and
// one more than the bytes behind the word exceed the buffer; exactly the
// bytes behind it pass the first check but not the block read.
TEST(HostileBytes, LyingLengthWordsInEverySequenceAreHandledAsTheBytesDemand)
{
  for (const auto & encoded : every_encoding()) {
    for (size_t index = 0; index < kSequenceFields.size(); ++index) {
      const size_t offset = length_word_offset(*encoded.vector, index);
      const uint32_t behind = static_cast<uint32_t>(encoded.bytes->size() - offset - 4);
      for (uint32_t length : {0u, 1u, 4294967295u, behind + 1, behind}) {
        const auto bytes = with_word(*encoded.bytes, offset, length, encoded.big_endian);
        const std::string what = encoded.label + ", " + std::string(kSequenceFields[index].name) +
          " length " + std::to_string(length);
        if (length > behind) {
          const Reading reading = read_features(bytes.data(), bytes.size(), encoded.big_endian);
          EXPECT_EQ(reading.outcome, Outcome::kLengthBeyondBuffer) << what;
          const bool failed = reading.field < kFieldNames.size();
          EXPECT_STREQ(failed ? kFieldNames[reading.field] : "no field", kSequenceFields[index].name)
            << what;
        }
        expect_decoders_hold(bytes.data(), bytes.size(), encoded.big_endian, what);
      }
    }
  }
}

// A message whose lengths all claim the whole buffer, at every size up to a
// few words: the allocation any of them may cause is bounded by the buffer.
TEST(HostileBytes, LengthWordsOfAllOnesAreRefusedAtEveryBufferSize)
{
  for (bool big_endian : {false, true}) {
    for (size_t size = 0; size <= 64; ++size) {
      const std::vector<uint8_t> bytes(size, 0xff);
      expect_decoders_hold(bytes.data(), size, big_endian, std::to_string(size) + " bytes of 0xff");
    }
  }
}

}  // namespace
}  // namespace pelmora_hostile
