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
// magnitude, negative ones included). The fields, their order and element
// types come from the C message library's field list.
#ifndef PELMORA_DDS__FEATURES_CONTENT_HPP_
#define PELMORA_DDS__FEATURES_CONTENT_HPP_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pelmora_dds
{

constexpr uint32_t kDescriptorWordsPerKeypoint = 8;
/// Keeps every generated float exact and every uint32 run free of wrap.
constexpr uint32_t kMaxKeypoints = 1u << 22;

enum class Element { kUint32, kFloat32 };

struct SequenceField
{
  const char * name;
  Element element;
};

/// The eight sequences in field order.
extern const SequenceField kSequenceFields[8];

/// Read-only view of one message, whatever language holds it: the scalars,
/// and each sequence's elements (kSequenceFields order and element types).
struct FeaturesView
{
  uint32_t keypointnumber = 0;
  uint32_t descriptorsize = 0;
  struct Sequence {const void * data; size_t size;} sequences[8] = {};
};

/// Encoded size (without encapsulation header) of a sample of K keypoints:
/// one 4-byte word per field (value or length word) and per element.
uint64_t encoded_size(uint32_t keypoints);

/// Number of keypoints whose sample encodes to about `bytes` (at least 0).
uint32_t keypoints_for_bytes(uint64_t bytes);

uint32_t mix(uint32_t seed, uint32_t index, uint32_t field);
/// Start of uint32 sequence f: below 2^32 − 2^26, so 8·K elements never wrap.
uint32_t base_u32(uint32_t seed, uint32_t index, uint32_t field);
/// Start of float sequence f, in [−2^22, 2^22): all K values stay exact.
int32_t base_f32(uint32_t seed, uint32_t index, uint32_t field);

/// Length of sequence f (0..7) for K keypoints: kDescriptorWordsPerKeypoint
/// words a keypoint in the descriptor, one element a keypoint elsewhere.
size_t sequence_length(uint32_t field, uint32_t keypoints);

/// Writes the n elements of sequence f of the sample into `out`, storage of
/// that sequence's element type.
void fill_sequence(void * out, size_t n, uint32_t seed, uint32_t index, uint32_t field);

/// The same n elements as 32-bit words (a float as its bit pattern).
std::vector<uint32_t> sequence_words(size_t n, uint32_t seed, uint32_t index, uint32_t field);

/// Checks `view` against the sample (seed, index, keypointnumber from the
/// view). Returns an empty string when every field matches, else what
/// differs first.
std::string verify(const FeaturesView & view, uint32_t seed);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__FEATURES_CONTENT_HPP_
