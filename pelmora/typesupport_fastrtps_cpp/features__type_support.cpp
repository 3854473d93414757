// The C++ CDR type support: encoder, decoder and size rules over
// pelmora::msg::Features, writing the same bytes as the C type support, and
// the handle that publishes them to a Fast-CDR middleware.
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_cpp.hpp"

#include <cstddef>
#include <cstdint>

#include "features__cdr_sequence.hpp"
#include "pelmora/msg/detail/features__fields.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace pelmora
{
namespace msg
{
namespace typesupport_fastrtps_cpp
{

bool cdr_serialize(const pelmora::msg::Features & message, eprosima::fastcdr::Cdr & cdr)
{
#define PELMORA_SERIALIZE_SCALAR(name, type) cdr.serialize(message.name);
#define PELMORA_SERIALIZE_SEQUENCE(name, element) detail::serialize_sequence(cdr, message.name);
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA_SERIALIZE_SCALAR, PELMORA_SERIALIZE_SEQUENCE)
#undef PELMORA_SERIALIZE_SEQUENCE
#undef PELMORA_SERIALIZE_SCALAR
  return true;
}

// Fast-CDR's std::vector operator is exactly the decoding each sequence
// needs: length word, a check that at least that many bytes remain (before
// the vector is touched), resize in place, one block read, and the Cdr set
// back to the length word when the check or the block read fails.
bool cdr_deserialize(eprosima::fastcdr::Cdr & cdr, pelmora::msg::Features & message)
{
#define PELMORA_DESERIALIZE(name, type) cdr.deserialize(message.name);
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA_DESERIALIZE, PELMORA_DESERIALIZE)
#undef PELMORA_DESERIALIZE
  return true;
}

// pad(a) + 40 + 4·N: only the element counts matter.
size_t get_serialized_size(const pelmora::msg::Features & message, size_t current_alignment)
{
  size_t elements = 0;
#define PELMORA_COUNT(name, element) elements += message.name.size();
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA__MSG__FEATURES__IGNORE, PELMORA_COUNT)
#undef PELMORA_COUNT
  return detail::serialized_size(current_alignment, elements);
}

// pad(a) + 40: the encoding of a message whose sequences are all empty. The
// false flags tell the caller that it bounds nothing.
size_t max_serialized_size_Features(bool & full_bounded, bool & is_plain, size_t current_alignment)
{
  full_bounded = false;
  is_plain = false;
  return detail::serialized_size(current_alignment, 0);
}

namespace
{

bool _Features__cdr_serialize(const void * untyped_message, eprosima::fastcdr::Cdr & cdr)
{
  return cdr_serialize(*static_cast<const pelmora::msg::Features *>(untyped_message), cdr);
}

bool _Features__cdr_deserialize(eprosima::fastcdr::Cdr & cdr, void * untyped_message)
{
  return cdr_deserialize(cdr, *static_cast<pelmora::msg::Features *>(untyped_message));
}

uint32_t _Features__get_serialized_size(const void * untyped_message)
{
  return detail::callback_serialized_size(
    get_serialized_size(*static_cast<const pelmora::msg::Features *>(untyped_message), 0));
}

// The maximum from position 0, with the bounds information: 3 for a plain
// type, 1 for a bounded one, else 0.
size_t _Features__max_serialized_size(char & bounds_info)
{
  bool full_bounded = false;
  bool is_plain = false;
  const size_t size = max_serialized_size_Features(full_bounded, is_plain, 0);
  bounds_info = is_plain ? 3 : (full_bounded ? 1 : 0);
  return size;
}

const message_type_support_callbacks_t _Features__callbacks = {
  "pelmora::msg",
  "Features",
  _Features__cdr_serialize,
  _Features__cdr_deserialize,
  _Features__get_serialized_size,
  _Features__max_serialized_size,
};

rosidl_message_type_support_t _Features__handle = {
  nullptr,  // set at load time: the identifier lives in another library
  &_Features__callbacks,
  get_message_typesupport_handle_function,
};

__attribute__((constructor))
void _Features__set_identifier()
{
  _Features__handle.typesupport_identifier = rosidl_typesupport_fastrtps_cpp::typesupport_identifier;
}

}  // namespace

}  // namespace typesupport_fastrtps_cpp
}  // namespace msg
}  // namespace pelmora

namespace rosidl_typesupport_fastrtps_cpp
{

template<>
const rosidl_message_type_support_t *
get_message_type_support_handle<pelmora::msg::Features>()
{
  return &pelmora::msg::typesupport_fastrtps_cpp::_Features__handle;
}

}  // namespace rosidl_typesupport_fastrtps_cpp

const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__pelmora__msg__Features()
{
  return &pelmora::msg::typesupport_fastrtps_cpp::_Features__handle;
}
