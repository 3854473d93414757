#include "features_content.hpp"

#include <cassert>
#include <cstring>
#include <vector>

#include "pelmora/msg/detail/features__fields.h"

namespace pelmora_dds
{

#define PELMORA_DDS_UINT32(name) {#name, Element::kUint32},
#define PELMORA_DDS_FLOAT(name) {#name, Element::kFloat32},
const SequenceField kSequenceFields[8] = {
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_DDS_UINT32, PELMORA_DDS_FLOAT)};
#undef PELMORA_DDS_FLOAT
#undef PELMORA_DDS_UINT32

namespace
{

#define PELMORA_DDS_ONE(name) + 1
constexpr uint64_t kFieldCount =
  0 PELMORA__MSG__FEATURES__SCALAR_FIELDS(PELMORA_DDS_ONE)
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_DDS_ONE, PELMORA_DDS_ONE);
#undef PELMORA_DDS_ONE

constexpr uint64_t kWordBytes = 4;

// How sequence f looks, in field order. Element j of a sequence but
// uniqueid comes from a walk over the 32-bit words, start + j · kStride.
struct Look
{
  enum class Kind
  {
    kBits,        // descriptor bits: the walk scrambled
    kIds,         // uniqueid: index + j
    kBelow,       // 0 .. range − 1
    kPatchSize,   // kPatchSizes[walk % 8]
    kSixteenths,  // float (walk % range) / 16
  };
  const char * name;
  Kind kind;
  uint32_t range;
};
const Look kLooks[8] = {
  {"descriptor", Look::Kind::kBits, 0},
  {"uniqueid", Look::Kind::kIds, 0},
  {"isrightimage", Look::Kind::kBelow, 2},
  {"patternzise", Look::Kind::kPatchSize, 0},
  {"confidence", Look::Kind::kBelow, 101},
  {"x", Look::Kind::kSixteenths, 640 * 16},
  {"y", Look::Kind::kSixteenths, 480 * 16},
  {"angle", Look::Kind::kSixteenths, 360 * 16},
};
constexpr uint32_t kUniqueIdField = 1;
constexpr uint32_t kStride = 7919;
// ORB's 31-pixel patch at pyramid scale 1.2^level.
constexpr uint32_t kPatchSizes[8] = {31, 37, 45, 54, 64, 77, 93, 111};

// The table follows the message's field list.
bool looks_follow_fields()
{
  for (uint32_t f = 0; f < 8; ++f) {
    const bool is_float = kLooks[f].kind == Look::Kind::kSixteenths;
    if (std::strcmp(kLooks[f].name, kSequenceFields[f].name) != 0 ||
      is_float != (kSequenceFields[f].element == Element::kFloat32))
    {
      return false;
    }
  }
  return true;
}

// Elements of a sample of one keypoint.
uint64_t elements_per_keypoint()
{
  uint64_t elements = 0;
  for (uint32_t f = 0; f < 8; ++f) {
    elements += sequence_length(f, 1);
  }
  return elements;
}

}  // namespace

uint64_t encoded_size(uint32_t keypoints)
{
  return kWordBytes * (kFieldCount + elements_per_keypoint() * keypoints);
}

uint32_t keypoints_for_bytes(uint64_t bytes)
{
  const uint64_t fixed = encoded_size(0);
  const uint64_t k = bytes > fixed ? (bytes - fixed) / (encoded_size(1) - fixed) : 0;
  return k > kMaxKeypoints ? kMaxKeypoints : static_cast<uint32_t>(k);
}

uint32_t mix(uint32_t seed, uint32_t index, uint32_t field)
{
  // A 32-bit avalanche over a linear mix of the three inputs; all arithmetic
  // is modulo 2^32.
  uint32_t x = seed * 0x9E3779B1u + index * 0x85EBCA77u + (field + 1) * 0xC2B2AE3Du;
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

bool sample_index(const FeaturesView & view, uint32_t * index)
{
  const FeaturesView::Sequence & ids = view.sequences[kUniqueIdField];
  if (ids.size == 0) {
    return false;
  }
  *index = static_cast<const uint32_t *>(ids.data)[0];
  return true;
}

size_t sequence_length(uint32_t field, uint32_t keypoints)
{
  const bool descriptor = std::strcmp(kSequenceFields[field].name, "descriptor") == 0;
  return descriptor ? static_cast<size_t>(kDescriptorWordsPerKeypoint) * keypoints : keypoints;
}

void fill_sequence(void * out, size_t n, uint32_t seed, uint32_t index, uint32_t field)
{
  static const bool follows = looks_follow_fields();
  assert(follows && field < 8);
  const Look & look = kLooks[field];
  const uint32_t start = mix(seed, index, field);
  auto walk = [start](size_t j) {return start + static_cast<uint32_t>(j) * kStride;};
  if (look.kind == Look::Kind::kSixteenths) {
    float * floats = static_cast<float *>(out);
    for (size_t j = 0; j < n; ++j) {
      floats[j] = static_cast<float>(walk(j) % look.range) / 16.0f;
    }
    return;
  }
  uint32_t * words = static_cast<uint32_t *>(out);
  for (size_t j = 0; j < n; ++j) {
    switch (look.kind) {
      case Look::Kind::kBits:
        words[j] = walk(j) * 0x9E3779B9u;
        break;
      case Look::Kind::kIds:
        words[j] = index + static_cast<uint32_t>(j);
        break;
      case Look::Kind::kBelow:
        words[j] = walk(j) % look.range;
        break;
      case Look::Kind::kPatchSize:
        words[j] = kPatchSizes[walk(j) % 8];
        break;
      case Look::Kind::kSixteenths:
        break;
    }
  }
}

std::vector<uint32_t> sequence_words(size_t n, uint32_t seed, uint32_t index, uint32_t field)
{
  std::vector<uint32_t> words(n);
  if (kSequenceFields[field].element == Element::kFloat32) {
    // Written as floats, read back as their bytes.
    std::vector<float> floats(n);
    fill_sequence(floats.data(), n, seed, index, field);
    if (n > 0) {
      std::memcpy(words.data(), floats.data(), 4 * n);
    }
  } else {
    fill_sequence(words.data(), n, seed, index, field);
  }
  return words;
}

std::string verify(const FeaturesView & view, uint32_t seed)
{
  const uint32_t k = view.keypointnumber;
  if (k > kMaxKeypoints) {
    return "keypointnumber " + std::to_string(k) + " is not a generated shape";
  }
  if (view.descriptorsize != kDescriptorBytes) {
    return "descriptorsize " + std::to_string(view.descriptorsize) + ", expected " +
           std::to_string(kDescriptorBytes);
  }
  uint32_t index = 0;
  if (!sample_index(view, &index) && k != 0) {
    return "uniqueid holds no element, expected " + std::to_string(k);
  }
  for (uint32_t f = 0; f < 8; ++f) {
    const size_t n = sequence_length(f, k);
    const std::string name = kSequenceFields[f].name;
    const size_t got = view.sequences[f].size;
    if (got != n) {
      return name + " holds " + std::to_string(got) + " elements, expected " + std::to_string(n);
    }
    if (n == 0) {
      continue;
    }
    // Floats compare by their bytes: the values must arrive bit for bit.
    const std::vector<uint32_t> expected = sequence_words(n, seed, index, f);
    if (std::memcmp(expected.data(), view.sequences[f].data, n * 4) != 0) {
      return name + " differs from sample " + std::to_string(index) + " of seed " +
             std::to_string(seed);
    }
  }
  return std::string();
}

}  // namespace pelmora_dds
