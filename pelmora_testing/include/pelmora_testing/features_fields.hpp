// The fields of Features as the tests name them, taken from the C message
// library's X-macro lists, so that no test spells the names out again.
#ifndef PELMORA_TESTS__FEATURES_FIELDS_HPP_
#define PELMORA_TESTS__FEATURES_FIELDS_HPP_

#include <array>
#include <cstddef>

#include "pelmora/msg/detail/features__fields.h"

namespace pelmora_tests
{

enum class Element { kUint32, kFloat32 };

struct SequenceField
{
  const char * name;
  Element element;
};

#define PELMORA_TESTS_NAME(name) #name,
#define PELMORA_TESTS_UINT32(name) SequenceField{#name, Element::kUint32},
#define PELMORA_TESTS_FLOAT(name) SequenceField{#name, Element::kFloat32},

/// The two scalars in record order.
constexpr std::array<const char *, 2> kScalarFields = {
  PELMORA__MSG__FEATURES__SCALAR_FIELDS(PELMORA_TESTS_NAME)};

/// The eight sequences in record order, with their element types.
constexpr std::array<SequenceField, 8> kSequenceFields = {
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_TESTS_UINT32, PELMORA_TESTS_FLOAT)};

/// All ten fields in record order, which is also their order on the wire.
constexpr std::array<const char *, 10> kFieldNames = {
  PELMORA__MSG__FEATURES__SCALAR_FIELDS(PELMORA_TESTS_NAME)
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_TESTS_NAME, PELMORA_TESTS_NAME)};

#undef PELMORA_TESTS_FLOAT
#undef PELMORA_TESTS_UINT32
#undef PELMORA_TESTS_NAME

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__FEATURES_FIELDS_HPP_
