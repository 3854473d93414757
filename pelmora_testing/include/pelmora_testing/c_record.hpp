// The C family's record builder: C records made from, and read back as,
// FeaturesWords, with no type support involved.
#ifndef PELMORA_TESTS__C_RECORD_HPP_
#define PELMORA_TESTS__C_RECORD_HPP_

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "features_words.hpp"
#include "pelmora/msg/detail/features__fields.h"
#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

namespace pelmora_tests
{

using Record = std::unique_ptr<pelmora__msg__Features, decltype(&pelmora__msg__Features__destroy)>;

/// A record from pelmora__msg__Features__create: scalars 0, sequences empty.
inline Record empty_record()
{
  Record record(pelmora__msg__Features__create(), pelmora__msg__Features__destroy);
  if (!record) {
    throw std::bad_alloc();
  }
  return record;
}

/// Gives the initialised `record` the contents of `words` (floats as their
/// exact bit patterns). Each sequence's storage is released and made anew.
inline void fill_record(pelmora__msg__Features & record, const FeaturesWords & words)
{
#define PELMORA_TESTS_SCALAR(field) record.field = words.field;
  PELMORA__MSG__FEATURES__SCALAR_FIELDS(PELMORA_TESTS_SCALAR)
#undef PELMORA_TESTS_SCALAR
  size_t index = 0;
#define PELMORA_TESTS_FILL(type, field) \
  { \
    const auto & elements = words.sequences[index++]; \
    rosidl_runtime_c__ ## type ## __Sequence__fini(&record.field); \
    if (!rosidl_runtime_c__ ## type ## __Sequence__init(&record.field, elements.size())) { \
      throw std::bad_alloc(); \
    } \
    if (!elements.empty()) { \
      std::memcpy(record.field.data, elements.data(), 4 * elements.size()); \
    } \
  }
#define PELMORA_TESTS_FILL_UINT32(field) PELMORA_TESTS_FILL(uint32, field)
#define PELMORA_TESTS_FILL_FLOAT(field) PELMORA_TESTS_FILL(float, field)
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_TESTS_FILL_UINT32, PELMORA_TESTS_FILL_FLOAT)
#undef PELMORA_TESTS_FILL_FLOAT
#undef PELMORA_TESTS_FILL_UINT32
#undef PELMORA_TESTS_FILL
}

/// A new record holding `words`.
inline Record make_record(const FeaturesWords & words)
{
  Record record = empty_record();
  fill_record(*record, words);
  return record;
}

/// The elements of one sequence field as words.
template<typename Sequence>
std::vector<uint32_t> sequence_words(const Sequence & sequence)
{
  std::vector<uint32_t> words(sequence.size);
  if (sequence.size > 0) {
    std::memcpy(words.data(), sequence.data, 4 * sequence.size);
  }
  return words;
}

/// What `record` holds, as words.
inline FeaturesWords words_of(const pelmora__msg__Features & record)
{
  FeaturesWords words;
#define PELMORA_TESTS_SCALAR(field) words.field = record.field;
  PELMORA__MSG__FEATURES__SCALAR_FIELDS(PELMORA_TESTS_SCALAR)
#undef PELMORA_TESTS_SCALAR
  size_t index = 0;
#define PELMORA_TESTS_TAKE(field) words.sequences[index++] = sequence_words(record.field);
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_TESTS_TAKE, PELMORA_TESTS_TAKE)
#undef PELMORA_TESTS_TAKE
  return words;
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__C_RECORD_HPP_
