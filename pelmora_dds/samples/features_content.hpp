// Deterministic Features content for the DDS tool: what a publisher sends
// for (seed, sample index, keypoints), so that a receiver can regenerate it
// and check every element. The samples look like the keypoints of a 640×480
// image, as a feature extractor with a tracker would send them:
//   keypointnumber = K, descriptorsize = 32 (bytes a keypoint),
//   descriptor: 8·K words of descriptor bits,
//   uniqueid: index, index + 1, ...: ids of tracked keypoints, one track
//     ending and one starting from a sample to the next. The first one is
//     the sample's place in the stream; a sample without keypoints has none.
//   isrightimage 0 or 1, patternzise an ORB patch size at one of 8 pyramid
//     levels, confidence 0..100,
//   x in [0, 640), y in [0, 480), angle in [0, 360), in steps of 1/16 (exact
//     in float).
//   Encoded size: 40 + 4·(8K + 4K + 3K) = 40 + 60·K bytes.
// Each sequence but uniqueid walks from a start that mixes (seed, index,
// field). The fields, their order and element types come from the C message
// library's field list.
#ifndef PELMORA_DDS__FEATURES_CONTENT_HPP_
#define PELMORA_DDS__FEATURES_CONTENT_HPP_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pelmora_dds
{

constexpr uint32_t kDescriptorWordsPerKeypoint = 8;
/// descriptorsize of every sample: the descriptor's bytes a keypoint.
constexpr uint32_t kDescriptorBytes = 4 * kDescriptorWordsPerKeypoint;
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

/// The sample's place in the stream, which its first keypoint id carries;
/// false for a sample without keypoints.
bool sample_index(const FeaturesView & view, uint32_t * index);

/// Length of sequence f (0..7) for K keypoints: kDescriptorWordsPerKeypoint
/// words a keypoint in the descriptor, one element a keypoint elsewhere.
size_t sequence_length(uint32_t field, uint32_t keypoints);

/// Writes the n elements of sequence f of the sample into `out`, storage of
/// that sequence's element type.
void fill_sequence(void * out, size_t n, uint32_t seed, uint32_t index, uint32_t field);

/// The same n elements as 32-bit words (a float as its bit pattern).
std::vector<uint32_t> sequence_words(size_t n, uint32_t seed, uint32_t index, uint32_t field);

/// Checks `view` against the sample (seed, index and keypointnumber from
/// the view). Returns an empty string when every field matches, else what
/// differs first.
std::string verify(const FeaturesView & view, uint32_t seed);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__FEATURES_CONTENT_HPP_
