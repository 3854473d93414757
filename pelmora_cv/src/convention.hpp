// The per-field rules of the keypoints convention (README) that both
// directions share: which values are rounded and clamped (rounding.hpp says
// how), how many words a descriptor takes, and when a message is well formed.
#ifndef PELMORA_CV__CONVENTION_HPP_
#define PELMORA_CV__CONVENTION_HPP_

#include <cstddef>
#include <cstdint>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "pelmora/msg/features.hpp"
#include "rounding.hpp"

namespace pelmora_cv
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

/// `size` rounded and clamped.
inline uint32_t pattern_size(float size)
{
  return rounded_and_clamped(size);
}

/// `response` in millionths, rounded and clamped. In double: float32
/// cannot hold every millionth of a response near 1, and the product must
/// round once, on the way to the integer.
inline uint32_t confidence(float response)
{
  return rounded_and_clamped(static_cast<double>(response) * kMillionths);
}

/// The response that `confidence` millionths stand for: the quotient
/// confidence / 10^6 rounded to double, then to float. Multiplying by the
/// double nearest 10^-6 instead of dividing gives the same float for every
/// one of the 2^32 values (compared exhaustively), at a fraction of the
/// cost of a division.
inline float response(uint32_t confidence)
{
  return static_cast<float>(confidence * (1 / kMillionths));
}

/// The class_id whose uint32 form is `uniqueid` (4294967295 is -1).
inline int class_id(uint32_t uniqueid)
{
  constexpr int64_t kWrap = int64_t{1} << 32;
  return uniqueid <= static_cast<uint32_t>(std::numeric_limits<int>::max()) ?
         static_cast<int>(uniqueid) : static_cast<int>(int64_t{uniqueid} - kWrap);
}

/// Throws std::invalid_argument "<field>: <parts...>".
template<typename ... Parts>
[[noreturn]] void refuse(const char * field, const Parts & ... parts)
{
  std::ostringstream text;
  text << field << ": ";
  (text << ... << parts);
  throw std::invalid_argument(text.str());
}

/// The element counts of a message's eight sequences.
struct SequenceLengths
{
  size_t descriptor;
  size_t uniqueid;
  size_t isrightimage;
  size_t patternzise;
  size_t confidence;
  size_t x;
  size_t y;
  size_t angle;
};

/// Throws std::invalid_argument naming the first field that breaks the
/// convention's shape: a per-keypoint sequence without keypointnumber
/// items, or a descriptor without keypointnumber × ceil(descriptorsize / 4)
/// words.
void check_shape(uint32_t keypointnumber, uint32_t descriptorsize, const SequenceLengths & lengths);

/// check_shape() of a message.
void check_message(const pelmora::msg::Features & message);

}  // namespace pelmora_cv

#endif  // PELMORA_CV__CONVENTION_HPP_
