// Shared pieces of the C++ family's tests: messages built from the shared
// wire vectors, bit-exact comparison, and a Cdr over a fixed buffer.
#ifndef PELMORA_TESTS__CPP_FEATURES_SUPPORT_HPP_
#define PELMORA_TESTS__CPP_FEATURES_SUPPORT_HPP_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

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

inline const std::vector<FeaturesVector> & shared_vectors()
{
  static const std::vector<FeaturesVector> vectors = load_features_vectors(PELMORA_VECTORS_FILE);
  return vectors;
}

inline const FeaturesVector & shared_vector(const std::string & name)
{
  for (const auto & vector : shared_vectors()) {
    if (vector.name == name) {
      return vector;
    }
  }
  throw std::runtime_error("no shared vector named " + name);
}

template<typename Element>
uint32_t bits_of(Element value)
{
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof(bits));
  return bits;
}

template<typename Element>
Element from_bits(uint32_t bits)
{
  Element value;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}

// Calls visit(index, vector) for the eight sequences in wire order; the
// index is the one FeaturesVector::sequences uses.
template<typename Message, typename Visitor>
void for_each_sequence(Message & message, Visitor && visit)
{
  visit(0, message.descriptor);
  visit(1, message.uniqueid);
  visit(2, message.isrightimage);
  visit(3, message.patternzise);
  visit(4, message.confidence);
  visit(5, message.x);
  visit(6, message.y);
  visit(7, message.angle);
}

inline Features message_from(const FeaturesVector & vector)
{
  Features message;
  message.keypointnumber = vector.keypointnumber;
  message.descriptorsize = vector.descriptorsize;
  for_each_sequence(message, [&](size_t index, auto & sequence) {
      using Element = typename std::decay_t<decltype(sequence)>::value_type;
      for (uint32_t bits : vector.sequences[index]) {
        sequence.push_back(from_bits<Element>(bits));
      }
    });
  return message;
}

// Compares bit patterns, so NaN elements count as equal to themselves.
inline void expect_message_matches(const Features & message, const FeaturesVector & vector)
{
  EXPECT_EQ(message.keypointnumber, vector.keypointnumber) << vector.name;
  EXPECT_EQ(message.descriptorsize, vector.descriptorsize) << vector.name;
  for_each_sequence(message, [&](size_t index, const auto & sequence) {
      std::vector<uint32_t> bits;
      for (const auto value : sequence) {
        bits.push_back(bits_of(value));
      }
      EXPECT_EQ(bits, vector.sequences[index]) << vector.name << ", " << kSequenceFields[index];
    });
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
