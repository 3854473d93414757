// Deterministic Features content for the DDS tool: what a publisher sends
// for (seed, sample index, keypoints), so that a receiver can regenerate it
// and check every element. pelmora_dds_py.py implements the same rules; the
// two must stay in step.
//
// Shape of a sample with K keypoints:
//   keypointnumber = K, descriptorsize = sample index,
//   descriptor: 8·K uint32, uniqueid .. confidence: K uint32 each,
//   x, y, angle: K float each.
//   Encoded size: 40 + 4·(8K + 4K + 3K) = 40 + 60·K bytes.
// Element j of sequence f (0..7, field order) counts up from a base that
// mixes (seed, index, f): uint32 sequences from base_u32, float sequences
// from base_f32 as exact integers in float (every value below 2^24 in
// magnitude, negative ones included).
#ifndef PELMORA_DDS__FEATURES_CONTENT_HPP_
#define PELMORA_DDS__FEATURES_CONTENT_HPP_

#include <cstddef>
#include <cstdint>
#include <string>

namespace pelmora_dds
{

constexpr uint32_t kDescriptorWordsPerKeypoint = 8;
/// Keeps every generated float exact and every uint32 run free of wrap.
constexpr uint32_t kMaxKeypoints = 1u << 22;

/// Read-only view of one message, whatever language holds it.
struct FeaturesView
{
  uint32_t keypointnumber = 0;
  uint32_t descriptorsize = 0;
  struct U32 {const uint32_t * data; size_t size;} u32[5] = {};
  struct F32 {const float * data; size_t size;} f32[3] = {};
};

extern const char * const kFieldNames[10];

/// Number of keypoints whose sample encodes to about `bytes` (at least 0).
uint32_t keypoints_for_bytes(uint64_t bytes);

/// Encoded size (without encapsulation header) of a sample of K keypoints.
inline uint64_t encoded_size(uint32_t keypoints) {return 40 + 60ull * keypoints;}

uint32_t mix(uint32_t seed, uint32_t index, uint32_t field);
/// Start of uint32 sequence f: below 2^32 − 2^26, so 8·K elements never wrap.
uint32_t base_u32(uint32_t seed, uint32_t index, uint32_t field);
/// Start of float sequence f, in [−2^22, 2^22): all K values stay exact.
int32_t base_f32(uint32_t seed, uint32_t index, uint32_t field);

/// Length of sequence f (0..7) for K keypoints.
size_t sequence_length(uint32_t field, uint32_t keypoints);

void fill_u32(uint32_t * out, size_t n, uint32_t seed, uint32_t index, uint32_t field);
void fill_f32(float * out, size_t n, uint32_t seed, uint32_t index, uint32_t field);

/// Checks `view` against the sample (seed, index, keypointnumber from the
/// view). Returns an empty string when every field matches, else what
/// differs first.
std::string verify(const FeaturesView & view, uint32_t seed);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__FEATURES_CONTENT_HPP_
