// The form in which the tests hold message contents, whatever the language.
#ifndef PELMORA_TESTS__FEATURES_WORDS_HPP_
#define PELMORA_TESTS__FEATURES_WORDS_HPP_

#include <array>
#include <cstdint>
#include <vector>

#include "features_fields.hpp"

namespace pelmora_tests
{

/// A Features message as plain words, the form in which the tests hold
/// expected and observed contents: each element as its 32-bit pattern
/// (floats as their binary32 bits).
struct FeaturesWords
{
  uint32_t keypointnumber = 0;
  uint32_t descriptorsize = 0;
  // In kSequenceFields order.
  std::array<std::vector<uint32_t>, kSequenceFields.size()> sequences;

  bool operator==(const FeaturesWords & other) const
  {
    return keypointnumber == other.keypointnumber && descriptorsize == other.descriptorsize &&
           sequences == other.sequences;
  }
};

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__FEATURES_WORDS_HPP_
