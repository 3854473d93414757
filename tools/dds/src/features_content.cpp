#include "features_content.hpp"

#include <cstring>
#include <vector>

namespace pelmora_dds
{

const char * const kFieldNames[10] = {
  "keypointnumber", "descriptorsize", "descriptor", "uniqueid", "isrightimage",
  "patternzise", "confidence", "x", "y", "angle"};

uint32_t keypoints_for_bytes(uint64_t bytes)
{
  const uint64_t k = bytes > 40 ? (bytes - 40) / 60 : 0;
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
  return field == 0 ? static_cast<size_t>(kDescriptorWordsPerKeypoint) * keypoints : keypoints;
}

void fill_u32(uint32_t * out, size_t n, uint32_t seed, uint32_t index, uint32_t field)
{
  const uint32_t base = base_u32(seed, index, field);
  for (size_t j = 0; j < n; ++j) {
    out[j] = base + static_cast<uint32_t>(j);
  }
}

void fill_f32(float * out, size_t n, uint32_t seed, uint32_t index, uint32_t field)
{
  const int32_t base = base_f32(seed, index, field);
  for (size_t j = 0; j < n; ++j) {
    out[j] = static_cast<float>(base + static_cast<int32_t>(j));
  }
}

std::string verify(const FeaturesView & view, uint32_t seed)
{
  const uint32_t k = view.keypointnumber;
  const uint32_t index = view.descriptorsize;
  if (k > kMaxKeypoints) {
    return "keypointnumber " + std::to_string(k) + " is not a generated shape";
  }
  std::vector<uint32_t> u32;
  std::vector<float> f32;
  for (uint32_t f = 0; f < 8; ++f) {
    const size_t n = sequence_length(f, k);
    const std::string name = kFieldNames[2 + f];
    const size_t got = f < 5 ? view.u32[f].size : view.f32[f - 5].size;
    if (got != n) {
      return name + " holds " + std::to_string(got) + " elements, expected " + std::to_string(n);
    }
    if (n == 0) {
      continue;
    }
    // Floats compare by their bytes: the values must arrive bit for bit.
    bool same;
    if (f < 5) {
      u32.resize(n);
      fill_u32(u32.data(), n, seed, index, f);
      same = std::memcmp(u32.data(), view.u32[f].data, n * 4) == 0;
    } else {
      f32.resize(n);
      fill_f32(f32.data(), n, seed, index, f);
      same = std::memcmp(f32.data(), view.f32[f - 5].data, n * 4) == 0;
    }
    if (!same) {
      return name + " differs from sample " + std::to_string(index) + " of seed " +
             std::to_string(seed);
    }
  }
  return std::string();
}

}  // namespace pelmora_dds
