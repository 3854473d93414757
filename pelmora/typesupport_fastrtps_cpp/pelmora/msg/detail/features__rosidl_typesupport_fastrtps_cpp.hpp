#ifndef PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_FASTRTPS_CPP_HPP_
#define PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_FASTRTPS_CPP_HPP_

#include <cstddef>

#include "fastcdr/Cdr.h"
#include "pelmora/msg/detail/features__struct.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support_decl.hpp"

// Marks what libpelmora__rosidl_typesupport_fastrtps_cpp exports; the library
// is built with hidden visibility, so nothing else leaves it.
#define ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_pelmora __attribute__((visibility("default")))

namespace pelmora
{
namespace msg
{
namespace typesupport_fastrtps_cpp
{

/// Writes the message at the Cdr's position in the Cdr's byte order. Returns
/// true; failures are Fast-CDR exceptions:
/// - BadParamException when a sequence holds more than 4294967295 elements
///   (its length word cannot express it); nothing of that sequence is written.
/// - NotEnoughMemoryException when the buffer cannot take a sequence's
///   elements; the Cdr is set back to that sequence's length word.
ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_pelmora
bool cdr_serialize(const pelmora::msg::Features & message, eprosima::fastcdr::Cdr & cdr);

/// Reads a message written by cdr_serialize (or by the C type support) into
/// `message`, reusing each vector's storage. Returns true; failures are
/// Fast-CDR exceptions, after which the fields before the failing sequence
/// hold the decoded values and the Cdr stands at the failing length word:
/// - NotEnoughMemoryException when a length word promises more elements than
///   bytes remain; the failing vector keeps its contents.
/// - the block read's exception when fewer than 4 bytes per element remain.
ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_pelmora
bool cdr_deserialize(eprosima::fastcdr::Cdr & cdr, pelmora::msg::Features & message);

/// Bytes that cdr_serialize writes for `message` when it starts at position
/// `current_alignment`.
ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_pelmora
size_t get_serialized_size(const pelmora::msg::Features & message, size_t current_alignment);

/// Size of a message whose sequences are all empty, from `current_alignment`.
/// The type has no bound, so both flags end false.
ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_pelmora
size_t max_serialized_size_Features(bool & full_bounded, bool & is_plain, size_t current_alignment);

}  // namespace typesupport_fastrtps_cpp
}  // namespace msg
}  // namespace pelmora

namespace rosidl_typesupport_fastrtps_cpp
{

template<>
ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_pelmora
const rosidl_message_type_support_t *
get_message_type_support_handle<pelmora::msg::Features>();

}  // namespace rosidl_typesupport_fastrtps_cpp

extern "C"
{

/// The same handle, under the name the C++ dispatcher resolves.
ROSIDL_TYPESUPPORT_FASTRTPS_CPP_PUBLIC_pelmora
const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__pelmora__msg__Features();

}

#endif  // PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_FASTRTPS_CPP_HPP_
