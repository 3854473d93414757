// view() against pelmora's C decoder (view_checks.hpp) on a table of
// payloads: every shared wire vector behind a little-endian header, cut at
// every offset and with each length word set to 0, 1, 4294967295, the bytes
// behind it and one more; the shared hostile payloads with the exact reason
// they are refused for; and consistent messages of every shape. Then what
// only view() does: aligned buffers only, and the Mat on the descriptors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cpp_message.hpp"
#include "features_vectors.hpp"
#include "hostile_payloads.hpp"
#include "pelmora_cv/keypoints.hpp"
#include "pelmora_cv/view.hpp"
#include "view_checks.hpp"

namespace
{

using Bytes = std::vector<uint8_t>;

const Bytes kLittleEndianHeader = {0x00, 0x01, 0x00, 0x00};

Bytes payload(const Bytes & body)
{
  Bytes bytes = kLittleEndianHeader;
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

// A copy of exactly the payload's size, aligned as operator new aligns.
std::unique_ptr<uint8_t[]> aligned_copy(const Bytes & bytes)
{
  std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
  if (!bytes.empty()) {
    std::memcpy(copy.get(), bytes.data(), bytes.size());
  }
  return copy;
}

std::string checked(const Bytes & bytes)
{
  return pelmora_cv_test::check_view(aligned_copy(bytes).get(), bytes.size());
}

void put_word(Bytes & bytes, size_t at, uint32_t word)
{
  for (size_t i = 0; i < 4; ++i) {
    bytes[at + i] = static_cast<uint8_t>(word >> (8 * i));
  }
}

// The little-endian CDR body of `words`, word by word.
Bytes body_of(const pelmora_tests::FeaturesWords & words)
{
  Bytes body;
  const auto put = [&body](uint32_t word) {
      body.resize(body.size() + 4);
      put_word(body, body.size() - 4, word);
    };
  put(words.keypointnumber);
  put(words.descriptorsize);
  for (const auto & sequence : words.sequences) {
    put(static_cast<uint32_t>(sequence.size()));
    std::for_each(sequence.begin(), sequence.end(), put);
  }
  return body;
}

// The payloads made from one vector: itself, every cut, every lying length.
std::vector<std::pair<std::string, Bytes>> variants(const pelmora_tests::FeaturesVector & vector)
{
  const Bytes whole = payload(vector.little_endian);
  std::vector<std::pair<std::string, Bytes>> made = {{"whole", whole}};
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    made.emplace_back("cut at " + std::to_string(cut), Bytes(whole.begin(), whole.begin() + cut));
  }
  size_t at = 4 + 8;  // the first length word
  for (size_t k = 0; k < vector.sequences.size(); ++k) {
    const uint32_t behind = static_cast<uint32_t>(whole.size() - at - 4);
    for (const uint32_t length : {0u, 1u, 4294967295u, behind, behind + 1}) {
      Bytes lying = whole;
      put_word(lying, at, length);
      made.emplace_back(std::string(pelmora_tests::kSequenceFields[k].name) + " length " +
        std::to_string(length), lying);
    }
    at += 4 + 4 * vector.sequences[k].size();
  }
  return made;
}

TEST(View, HoldsToTheCDecoderOnEveryVectorCutAndLengthWord)
{
  for (const auto & vector : pelmora_tests::vectors()) {
    for (const auto & [name, bytes] : variants(vector)) {
      const std::string problem = checked(bytes);
      EXPECT_EQ(problem, "") << vector.name << ", " << name;
    }
  }
}

TEST(View, RefusesTheHostilePayloadsForTheirReasons)
{
  for (const auto & hostile : pelmora_tests::load_hostile_payloads(PELMORA_HOSTILE_PAYLOADS_FILE)) {
    EXPECT_EQ(checked(hostile.bytes), "") << hostile.name;
    if (hostile.accept || hostile.bytes.size() < 2 || hostile.bytes[1] != 0x01) {
      continue;  // accepted, or refused by its header, which check_view holds to its text
    }
    const auto copy = aligned_copy(hostile.bytes);
    try {
      pelmora_cv::view(copy.get(), hostile.bytes.size());
      ADD_FAILURE() << hostile.name << " accepted";
    } catch (const std::invalid_argument & error) {
      EXPECT_EQ(std::string(error.what()), hostile.reason) << hostile.name;
    }
  }
}

// Consistent messages of N keypoints and B-byte descriptors, which the C
// decoder reads back as they were made: view() gives what it gives.
TEST(View, ReadsConsistentMessagesOfEveryShape)
{
  for (const uint32_t keypoints : {0u, 1u, 3u, 17u}) {
    for (const uint32_t bytes : {0u, 1u, 3u, 4u, 5u, 32u, 61u}) {
      pelmora_tests::FeaturesWords words;
      words.keypointnumber = keypoints;
      words.descriptorsize = bytes;
      uint32_t next = 0x9e3779b9u * (keypoints + 1) + bytes;
      for (size_t k = 0; k < words.sequences.size(); ++k) {
        const size_t count = k == 0 ? keypoints * ((bytes + 3) / 4) : keypoints;
        for (size_t i = 0; i < count; ++i) {
          words.sequences[k].push_back(next = next * 1664525u + 1013904223u);
        }
      }
      const Bytes body = body_of(words);
      const auto decoded = pelmora_cv_test::c_decode(body.data(), body.size(), false);
      ASSERT_TRUE(decoded.accepted && decoded.words == words) << keypoints << " x " << bytes;
      Bytes trailing = payload(body);
      trailing.insert(trailing.end(), {0xAB, 0xCD, 0xEF});  // ignored, as decoders ignore it
      EXPECT_EQ(checked(payload(body)), "") << keypoints << " x " << bytes;
      EXPECT_EQ(checked(trailing), "") << keypoints << " x " << bytes << " and 3 bytes after";
    }
  }
}

TEST(View, RefusesWordsItCannotReadInPlace)
{
  const Bytes bytes = payload(pelmora_tests::vector_named("all_empty").little_endian);
  std::unique_ptr<uint32_t[]> storage(new uint32_t[bytes.size() / 4 + 1]);
  auto * shifted = reinterpret_cast<uint8_t *>(storage.get()) + 1;
  std::memcpy(shifted, bytes.data(), bytes.size());
  try {
    pelmora_cv::view(shifted, bytes.size());
    FAIL() << "accepted an unaligned payload";
  } catch (const std::invalid_argument & error) {
    EXPECT_NE(std::string(error.what()).find("decode the message instead"), std::string::npos);
  }
}

// The descriptors of real keypoints come back as the rows that went in,
// from a Mat that shares the payload's memory.
TEST(View, DescriptorsAreTheRowsOnThePayload)
{
  cv::Mat rows(5, 61, CV_8U);
  cv::randu(rows, cv::Scalar(0), cv::Scalar(256));
  std::vector<cv::KeyPoint> keypoints(5, cv::KeyPoint(1.f, 2.f, 31.f));
  const Bytes bytes = payload(body_of(pelmora_tests::words_of(pelmora_cv::to_message(keypoints, rows))));
  const auto copy = aligned_copy(bytes);
  const cv::Mat back = pelmora_cv::view(copy.get(), bytes.size()).descriptors();
  EXPECT_EQ(cv::norm(back, rows, cv::NORM_INF), 0);
  EXPECT_GE(back.data, copy.get());
  EXPECT_LT(back.data, copy.get() + bytes.size());
}

}  // namespace
