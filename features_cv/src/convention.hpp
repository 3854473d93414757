// The per-field rules of "Keypoints in a Features message" that both
// directions share: how values are rounded and clamped, how many words a
// descriptor takes, and when a message is well formed.
#ifndef PELMORA_FEATURES_CV__CONVENTION_HPP_
#define PELMORA_FEATURES_CV__CONVENTION_HPP_

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <stdexcept>

#include "pelmora/msg/features.hpp"

namespace pelmora
{
namespace features_cv
{

// Descriptor byte j sits in bits 8 × (j mod 4) of word j / 4. Where a
// uint32 is stored least significant byte first, the words' memory is the
// descriptor's bytes in order, so both directions copy descriptors with
// memcpy. A big-endian host would have to assemble every word from its
// bytes; the build stops there instead of swapping bytes silently.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
  "descriptor words are copied as little-endian memory");

constexpr size_t kWordBytes = 4;

constexpr size_t words_per_descriptor(size_t descriptor_bytes)
{
  return (descriptor_bytes + kWordBytes - 1) / kWordBytes;
}

/// `size` rounded to the nearest integer, ties to even, clamped to
/// 0…4294967295 (NaN gives 0).
uint32_t pattern_size(float size);

/// `response` in millionths, rounded and clamped like pattern_size.
uint32_t confidence(float response);

/// The class_id whose uint32 form is `uniqueid` (4294967295 is -1).
int class_id(uint32_t uniqueid);

/// Throws std::invalid_argument "<field>: <parts...>".
template<typename ... Parts>
[[noreturn]] void refuse(const char * field, const Parts & ... parts)
{
  std::ostringstream text;
  text << field << ": ";
  (text << ... << parts);
  throw std::invalid_argument(text.str());
}

/// Throws std::invalid_argument naming the first field that breaks the
/// convention's shape: a per-keypoint sequence without keypointnumber
/// items, or a descriptor without keypointnumber × ceil(descriptorsize / 4)
/// words.
void check_message(const pelmora::msg::Features & message);

}  // namespace features_cv
}  // namespace pelmora

#endif  // PELMORA_FEATURES_CV__CONVENTION_HPP_
