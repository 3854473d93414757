// Type ids of the introspection tables (the C and C++ enumerations share
// their values) and the wire size of each fixed-size primitive.
#ifndef PELMORA_CDR_WALKER__PRIMITIVES_HPP_
#define PELMORA_CDR_WALKER__PRIMITIVES_HPP_

#include <cstddef>
#include <cstdint>

namespace pelmora_cdr_walker
{

constexpr uint8_t kTypeFloat = 1;
constexpr uint8_t kTypeDouble = 2;
constexpr uint8_t kTypeChar = 4;
constexpr uint8_t kTypeBoolean = 6;
constexpr uint8_t kTypeOctet = 7;
constexpr uint8_t kTypeUint8 = 8;
constexpr uint8_t kTypeInt8 = 9;
constexpr uint8_t kTypeUint16 = 10;
constexpr uint8_t kTypeInt16 = 11;
constexpr uint8_t kTypeUint32 = 12;
constexpr uint8_t kTypeInt32 = 13;
constexpr uint8_t kTypeUint64 = 14;
constexpr uint8_t kTypeInt64 = 15;
constexpr uint8_t kTypeString = 16;
constexpr uint8_t kTypeMessage = 18;

/// Bytes of one element on the wire and in memory, which is also its CDR
/// alignment; 0 for anything that is not a fixed-size primitive moved here
/// (long double, wchar, strings, messages).
constexpr size_t primitive_size(uint8_t type_id)
{
  switch (type_id) {
    case kTypeChar: case kTypeBoolean: case kTypeOctet: case kTypeUint8: case kTypeInt8:
      return 1;
    case kTypeUint16: case kTypeInt16:
      return 2;
    case kTypeFloat: case kTypeUint32: case kTypeInt32:
      return 4;
    case kTypeDouble: case kTypeUint64: case kTypeInt64:
      return 8;
    default:
      return 0;
  }
}

/// `pos` rounded up to a multiple of `alignment` (a power of two).
constexpr size_t align(size_t pos, size_t alignment)
{
  return (pos + alignment - 1) & ~(alignment - 1);
}

}  // namespace pelmora_cdr_walker

#endif  // PELMORA_CDR_WALKER__PRIMITIVES_HPP_
