// Member tables of the tests' own, for messages the package does not have:
// the walker must serve any table, not only Features'.
//
//   Own:   float64 a, int16 b, uint8[] c                (C and C++ layouts)
//   Outer: uint8 tag, string label, Own[2] pair, int32[<=2] bounded  (C++)
#ifndef PELMORA_TESTS__OWN_TABLES_HPP_
#define PELMORA_TESTS__OWN_TABLES_HPP_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_c/primitives_sequence.h"

namespace pelmora_tests
{

struct OwnC
{
  double a;
  int16_t b;
  rosidl_runtime_c__uint8__Sequence c;
};

struct OwnCpp
{
  double a = 0;
  int16_t b = 0;
  std::vector<uint8_t> c;
};

struct OuterCpp
{
  uint8_t tag = 0;
  std::string label;
  std::array<OwnCpp, 2> pair;
  std::vector<int32_t> bounded;
};

/// rosidl_typesupport_introspection_c handle over OwnC.
const rosidl_message_type_support_t * own_c_handle();
/// rosidl_typesupport_introspection_cpp handles over OwnCpp and OuterCpp.
const rosidl_message_type_support_t * own_cpp_handle();
const rosidl_message_type_support_t * outer_cpp_handle();

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__OWN_TABLES_HPP_
