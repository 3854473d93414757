// The encoded size of a Features message, from the wire layout alone: one
// 4-byte word per field (a scalar's value or a sequence's length word), then
// one word per element. The tests hold the type supports' size functions to
// bytes, not to this; the benchmarks size their buffers and their octet
// baseline with it.
#ifndef PELMORA_TESTS__FEATURES_SIZE_HPP_
#define PELMORA_TESTS__FEATURES_SIZE_HPP_

#include <cstddef>

#include "features_fields.hpp"

namespace pelmora_tests
{

constexpr size_t kWordBytes = 4;

/// Bytes of a message holding `elements` elements in all, from position 0.
constexpr size_t encoded_size(size_t elements)
{
  return kWordBytes * (kFieldNames.size() + elements);
}

/// The shape of a sample of K keypoints, as the tools, tests and benchmarks
/// make it: 8·K descriptor words and K elements in each other sequence.
constexpr size_t kDescriptorWordsPerKeypoint = 8;
constexpr size_t kElementsPerKeypoint = kDescriptorWordsPerKeypoint + kSequenceFields.size() - 1;

/// Bytes of a K-keypoint sample (40 + 60·K), the encapsulation header
/// excluded.
constexpr size_t keypoints_size(size_t keypoints)
{
  return encoded_size(kElementsPerKeypoint * keypoints);
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__FEATURES_SIZE_HPP_
