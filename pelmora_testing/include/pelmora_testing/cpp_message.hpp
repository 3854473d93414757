// The C++ family's message builder: pelmora::msg::Features made from, and
// read back as, FeaturesWords, with no type support involved.
#ifndef PELMORA_TESTS__CPP_MESSAGE_HPP_
#define PELMORA_TESTS__CPP_MESSAGE_HPP_

#include <cstring>
#include <vector>

#include "features_words.hpp"
#include "pelmora/msg/detail/features__fields.hpp"
#include "pelmora/msg/features.hpp"

namespace pelmora_tests
{

/// The elements of one vector as words (floats as their binary32 bits).
template<typename Element>
std::vector<uint32_t> vector_words(const std::vector<Element> & elements)
{
  static_assert(sizeof(Element) == 4, "every element is one 4-byte word");
  std::vector<uint32_t> words(elements.size());
  if (!elements.empty()) {
    std::memcpy(words.data(), elements.data(), 4 * elements.size());
  }
  return words;
}

/// Makes `elements` hold exactly `words`, bit for bit.
template<typename Element>
void assign_words(std::vector<Element> & elements, const std::vector<uint32_t> & words)
{
  static_assert(sizeof(Element) == 4, "every element is one 4-byte word");
  elements.resize(words.size());
  if (!words.empty()) {
    std::memcpy(elements.data(), words.data(), 4 * words.size());
  }
}

/// Gives `message` exactly the contents of `words`.
inline void assign(pelmora::msg::Features & message, const FeaturesWords & words)
{
  size_t index = 0;
#define PELMORA_TESTS_SCALAR(name, type) message.name = words.name;
#define PELMORA_TESTS_SEQUENCE(name, element) assign_words(message.name, words.sequences[index++]);
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA_TESTS_SCALAR, PELMORA_TESTS_SEQUENCE)
#undef PELMORA_TESTS_SEQUENCE
#undef PELMORA_TESTS_SCALAR
}

/// A new message holding `words`.
inline pelmora::msg::Features message_from(const FeaturesWords & words)
{
  pelmora::msg::Features message;
  assign(message, words);
  return message;
}

/// What `message` holds, as words.
inline FeaturesWords words_of(const pelmora::msg::Features & message)
{
  FeaturesWords words;
  size_t index = 0;
#define PELMORA_TESTS_SCALAR(name, type) words.name = message.name;
#define PELMORA_TESTS_SEQUENCE(name, element) words.sequences[index++] = vector_words(message.name);
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA_TESTS_SCALAR, PELMORA_TESTS_SEQUENCE)
#undef PELMORA_TESTS_SEQUENCE
#undef PELMORA_TESTS_SCALAR
  return words;
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__CPP_MESSAGE_HPP_
