// Helpers for tests that use the C type supports as a middleware does: the
// dispatcher's handle is the only thing linked, and the type supports are
// loaded by name when first asked for.
#ifndef PELMORA_TESTS__C_TYPESUPPORT_SUPPORT_HPP_
#define PELMORA_TESTS__C_TYPESUPPORT_SUPPORT_HPP_

#include <string>
#include <vector>

#include "c_record.hpp"
#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "features_vectors.hpp"
#include "loaded_library.hpp"
#include "pelmora/msg/features.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"
#include "stderr_capture.hpp"

namespace pelmora_tests
{

using eprosima::fastcdr::Cdr;
using Members = rosidl_typesupport_introspection_c__MessageMembers;
constexpr Cdr::Endianness kLittle = Cdr::LITTLE_ENDIANNESS;

inline const rosidl_message_type_support_t * type_support(const char * identifier)
{
  const rosidl_message_type_support_t * dispatcher =
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
  return dispatcher->func(dispatcher, identifier);
}

inline const message_type_support_callbacks_t & cdr_callbacks()
{
  return *static_cast<const message_type_support_callbacks_t *>(
    type_support("rosidl_typesupport_fastrtps_c")->data);
}

inline const Members & introspection_members()
{
  return *static_cast<const Members *>(type_support("rosidl_typesupport_introspection_c")->data);
}

inline std::vector<uint8_t> written_bytes(const eprosima::fastcdr::FastBuffer & buffer, const Cdr & cdr)
{
  const auto * begin = reinterpret_cast<const uint8_t *>(buffer.getBuffer());
  return {begin, begin + cdr.getSerializedDataLength()};
}

// The CDR bytes that the C type support writes for `message` from position 0.
inline std::vector<uint8_t> encode(const void * message, Cdr::Endianness order = kLittle)
{
  eprosima::fastcdr::FastBuffer buffer;
  Cdr cdr(buffer, order, Cdr::DDS_CDR);
  if (!cdr_callbacks().cdr_serialize(message, cdr)) {
    throw std::runtime_error("encoding failed");
  }
  return written_bytes(buffer, cdr);
}

// Decodes a copy of `bytes`, so that Fast-CDR can read only what it is given.
inline bool decode(const std::vector<uint8_t> & bytes, void * message, Cdr::Endianness order = kLittle)
{
  std::vector<char> copy(bytes.begin(), bytes.end());
  eprosima::fastcdr::FastBuffer buffer(copy.data(), copy.size());
  Cdr cdr(buffer, order, Cdr::DDS_CDR);
  return cdr_callbacks().cdr_deserialize(cdr, message);
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__C_TYPESUPPORT_SUPPORT_HPP_
