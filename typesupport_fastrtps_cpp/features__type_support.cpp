// The C++ CDR type support: encoder, decoder and size rules over
// pelmora::msg::Features, writing the same bytes as the C type support, and
// the handle that publishes them to a Fast-CDR middleware.
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_cpp.hpp"

#include <cstddef>
#include <cstdint>

#include "features__cdr_sequence.hpp"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace pelmora
{
namespace msg
{
namespace typesupport_fastrtps_cpp
{

namespace
{

// Bytes that bring `position` up to a multiple of 4.
constexpr size_t pad4(size_t position)
{
  return (0 - position) & 3u;
}

constexpr size_t kWord = 4;
constexpr size_t kScalarCount = 2;
constexpr size_t kSequenceCount = 8;

}  // namespace

bool cdr_serialize(const pelmora::msg::Features & message, eprosima::fastcdr::Cdr & cdr)
{
  cdr.serialize(message.keypointnumber);
  cdr.serialize(message.descriptorsize);
  detail::serialize_sequence(cdr, message.descriptor);
  detail::serialize_sequence(cdr, message.uniqueid);
  detail::serialize_sequence(cdr, message.isrightimage);
  detail::serialize_sequence(cdr, message.patternzise);
  detail::serialize_sequence(cdr, message.confidence);
  detail::serialize_sequence(cdr, message.x);
  detail::serialize_sequence(cdr, message.y);
  detail::serialize_sequence(cdr, message.angle);
  return true;
}

// Fast-CDR's std::vector operator is exactly the decoding each sequence
// needs: length word, a check that at least that many bytes remain (before
// the vector is touched), resize in place, one block read, and the Cdr set
// back to the length word when the check or the block read fails.
bool cdr_deserialize(eprosima::fastcdr::Cdr & cdr, pelmora::msg::Features & message)
{
  cdr.deserialize(message.keypointnumber);
  cdr.deserialize(message.descriptorsize);
  cdr.deserialize(message.descriptor);
  cdr.deserialize(message.uniqueid);
  cdr.deserialize(message.isrightimage);
  cdr.deserialize(message.patternzise);
  cdr.deserialize(message.confidence);
  cdr.deserialize(message.x);
  cdr.deserialize(message.y);
  cdr.deserialize(message.angle);
  return true;
}

// Every item is one aligned word, so only the first one can need padding:
// pad(a) + 40 + 4·N, N the total element count.
size_t get_serialized_size(const pelmora::msg::Features & message, size_t current_alignment)
{
  const size_t elements =
    message.descriptor.size() + message.uniqueid.size() + message.isrightimage.size() +
    message.patternzise.size() + message.confidence.size() +
    message.x.size() + message.y.size() + message.angle.size();
  return pad4(current_alignment) + (kScalarCount + kSequenceCount + elements) * kWord;
}

// The size of the all-empty message, pad(a) + 40; the false flags tell the
// caller that it bounds nothing.
size_t max_serialized_size_Features(bool & full_bounded, bool & is_plain, size_t current_alignment)
{
  full_bounded = false;
  is_plain = false;
  return pad4(current_alignment) + (kScalarCount + kSequenceCount) * kWord;
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

// Bounds information: 3 for a plain type, 1 for a bounded one, else 0.
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
