// Shared pieces of the C++ family's tests: bit-exact comparison with the
// shared wire vectors, and a Cdr over a fixed buffer.
#ifndef PELMORA_TESTS__CPP_FEATURES_SUPPORT_HPP_
#define PELMORA_TESTS__CPP_FEATURES_SUPPORT_HPP_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "cpp_message.hpp"
#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "features_vectors.hpp"
#include "pelmora/msg/features.hpp"

namespace pelmora_tests
{

using pelmora::msg::Features;
using Endianness = eprosima::fastcdr::Cdr::Endianness;
constexpr Endianness kLittle = eprosima::fastcdr::Cdr::LITTLE_ENDIANNESS;
constexpr Endianness kBig = eprosima::fastcdr::Cdr::BIG_ENDIANNESS;

template<typename Element>
uint32_t bits_of(Element value)
{
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  return bits;
}

// Compares bit patterns, so NaN elements count as equal to themselves.
inline void expect_words_match(const FeaturesWords & words, const FeaturesVector & vector)
{
  EXPECT_EQ(words.keypointnumber, vector.keypointnumber) << vector.name;
  EXPECT_EQ(words.descriptorsize, vector.descriptorsize) << vector.name;
  for (size_t index = 0; index < kSequenceFields.size(); ++index) {
    EXPECT_EQ(words.sequences[index], vector.sequences[index])
      << vector.name << ", " << kSequenceFields[index].name;
  }
}

inline void expect_message_matches(const Features & message, const FeaturesVector & vector)
{
  expect_words_match(words_of(message), vector);
}

// A Cdr over a caller-owned, fixed-size byte vector, as a middleware gives.
struct CdrOver
{
  CdrOver(std::vector<uint8_t> & bytes, Endianness endianness)
  : buffer(reinterpret_cast<char *>(bytes.data()), bytes.size()),
    cdr(buffer, endianness, eprosima::fastcdr::Cdr::DDS_CDR)
  {
  }

  eprosima::fastcdr::FastBuffer buffer;
  eprosima::fastcdr::Cdr cdr;
};

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__CPP_FEATURES_SUPPORT_HPP_
