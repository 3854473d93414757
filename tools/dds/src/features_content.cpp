#include "features_content.hpp"

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

uint32_t base_u32(uint32_t seed, uint32_t index, uint32_t field)
{
  return static_cast<uint32_t>(mix(seed, index, field) % (0x100000000ull - (1ull << 26)));
}

int32_t base_f32(uint32_t seed, uint32_t index, uint32_t field)
{
  return static_cast<int32_t>(mix(seed, index, field) % (1u << 23)) - (1 << 22);
}

size_t sequence_length(uint32_t field, uint32_t keypoints)
{
  const bool descriptor = std::strcmp(kSequenceFields[field].name, "descriptor") == 0;
  return descriptor ? static_cast<size_t>(kDescriptorWordsPerKeypoint) * keypoints : keypoints;
}

void fill_sequence(void * out, size_t n, uint32_t seed, uint32_t index, uint32_t field)
{
  if (kSequenceFields[field].element == Element::kFloat32) {
    float * floats = static_cast<float *>(out);
    const int32_t base = base_f32(seed, index, field);
    for (size_t j = 0; j < n; ++j) {
      floats[j] = static_cast<float>(base + static_cast<int32_t>(j));
    }
  } else {
    uint32_t * words = static_cast<uint32_t *>(out);
    const uint32_t base = base_u32(seed, index, field);
    for (size_t j = 0; j < n; ++j) {
      words[j] = base + static_cast<uint32_t>(j);
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
  const uint32_t index = view.descriptorsize;
  if (k > kMaxKeypoints) {
    return "keypointnumber " + std::to_string(k) + " is not a generated shape";
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
