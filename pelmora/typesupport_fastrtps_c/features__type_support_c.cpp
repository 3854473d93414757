// Fast-CDR encoder, decoder and size functions over the C record
// pelmora__msg__Features, published through one type-support handle.
//
// Wire form: keypointnumber and descriptorsize as one uint32 word each, then
// each of the eight sequences as a uint32 element count followed by its
// elements, one 4-byte word apiece. Every item is a word, so a message that
// starts on a word boundary holds no padding.
//
// Compiled as C++ because Fast-CDR is a C++ library; everything exported has
// C linkage. Failures are reported as a fixed text on stderr and a false
// result. Fast-CDR's own exceptions (a block read running past the buffer)
// are not caught: they reach the middleware that called us.
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_c.h"

#include <cassert>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "fastcdr/Cdr.h"
#include "pelmora/msg/detail/features__fields.h"
#include "pelmora/msg/detail/features__struct.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace
{

using eprosima::fastcdr::Cdr;

// --- The size rule --------------------------------------------------------
// Every item on the wire is one aligned 4-byte word, so only the first one
// can need padding: N elements from position a take pad(a) + 40 + 4·N bytes.

// Ten words: the two scalars and the eight length words.
constexpr size_t kFixedPart = 40;

// A uint32 and a float32 element alike.
constexpr size_t kElementSize = 4;

// The largest count a length word can say, and the largest size the
// callbacks record can report.
constexpr uint32_t kMaxLength = std::numeric_limits<uint32_t>::max();

// Bytes that bring `position` up to a multiple of 4.
constexpr size_t padding(size_t position)
{
  return (0 - position) & 3u;
}

// pad(a) + 40 + 4·N for `elements` elements from `current_alignment`.
constexpr size_t serialized_size(size_t current_alignment, size_t elements)
{
  return padding(current_alignment) + kFixedPart + kElementSize * elements;
}

// The serialized size as the callbacks record reports it, in 32 bits. A
// larger message reports the largest value instead of wrapping round to a
// small, wrong one that would send a middleware off with a buffer far too
// small.
constexpr uint32_t callback_serialized_size(size_t size)
{
  return size > kMaxLength ? kMaxLength : static_cast<uint32_t>(size);
}

// --- Encoding and decoding ------------------------------------------------

void report(const char * text)
{
  std::fwrite(text, 1, std::strlen(text), stderr);
}

// The sequence functions of rosidl_runtime_c, chosen by overload so that one
// template serves both element types.
bool init_sequence(rosidl_runtime_c__uint32__Sequence & sequence, size_t size)
{
  return rosidl_runtime_c__uint32__Sequence__init(&sequence, size);
}

bool init_sequence(rosidl_runtime_c__float__Sequence & sequence, size_t size)
{
  return rosidl_runtime_c__float__Sequence__init(&sequence, size);
}

void fini_sequence(rosidl_runtime_c__uint32__Sequence & sequence)
{
  rosidl_runtime_c__uint32__Sequence__fini(&sequence);
}

void fini_sequence(rosidl_runtime_c__float__Sequence & sequence)
{
  rosidl_runtime_c__float__Sequence__fini(&sequence);
}

template<typename Sequence>
void serialize_sequence(Cdr & cdr, const Sequence & sequence)
{
  // The caller has checked that the count fits its length word.
  cdr.serialize(static_cast<uint32_t>(sequence.size));
  cdr.serializeArray(sequence.data, sequence.size);
}

// Replaces `sequence` with the next sequence of the buffer. False, with a
// report, when the length word cannot be right or the storage cannot be made.
template<typename Sequence>
bool deserialize_sequence(Cdr & cdr, Sequence & sequence, const char * init_failure)
{
  uint32_t length = 0;
  cdr.deserialize(length);

  // Each element takes at least one byte, so a length word beyond the bytes
  // left is refused before anything is allocated for it. The block read
  // below catches the rest (fewer than 4 bytes per element).
  Cdr::state behind_length = cdr.getState();
  const bool plausible = cdr.jump(length);
  cdr.setState(behind_length);
  if (!plausible) {
    report("sequence size exceeds remaining buffer\n");
    return false;
  }

  if (sequence.data) {
    fini_sequence(sequence);
  }
  if (!init_sequence(sequence, length)) {
    report(init_failure);
    return false;
  }
  cdr.deserializeArray(sequence.data, length);
  return true;
}

bool _Features__cdr_serialize(const void * untyped_ros_message, Cdr & cdr)
{
  if (!untyped_ros_message) {
    report("ros message handle is null\n");
    return false;
  }
  const auto * ros_message = static_cast<const pelmora__msg__Features *>(untyped_ros_message);

  // A count that its 32-bit length word cannot hold would make the length
  // disagree with the elements behind it. The whole message is refused
  // before the first byte is written, so the Cdr is left as it was given.
#define PELMORA_REFUSE_LONG(field) \
  if (ros_message->field.size > kMaxLength) { \
    report("sequence size exceeds 4294967295 elements\n"); \
    return false; \
  }
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_REFUSE_LONG, PELMORA_REFUSE_LONG)
#undef PELMORA_REFUSE_LONG

  cdr.serialize(ros_message->keypointnumber);
  cdr.serialize(ros_message->descriptorsize);
#define PELMORA_SERIALIZE(field) serialize_sequence(cdr, ros_message->field);
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_SERIALIZE, PELMORA_SERIALIZE)
#undef PELMORA_SERIALIZE
  return true;
}

bool _Features__cdr_deserialize(Cdr & cdr, void * untyped_ros_message)
{
  if (!untyped_ros_message) {
    report("ros message handle is null\n");
    return false;
  }
  auto * ros_message = static_cast<pelmora__msg__Features *>(untyped_ros_message);

  cdr.deserialize(ros_message->keypointnumber);
  cdr.deserialize(ros_message->descriptorsize);
#define PELMORA_DESERIALIZE(field) \
  if (!deserialize_sequence( \
      cdr, ros_message->field, "failed to create array for field '" #field "'")) \
  { \
    return false; \
  }
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_DESERIALIZE, PELMORA_DESERIALIZE)
#undef PELMORA_DESERIALIZE
  return true;
}

uint32_t _Features__get_serialized_size(const void * untyped_ros_message)
{
  return callback_serialized_size(get_serialized_size_pelmora__msg__Features(untyped_ros_message, 0));
}

// The maximum from position 0, with the bounds information: 3 for a plain
// type, 1 for a bounded one, else 0.
size_t _Features__max_serialized_size(char & bounds_info)
{
  bool full_bounded = false;
  bool is_plain = false;
  const size_t size = max_serialized_size_pelmora__msg__Features(full_bounded, is_plain, 0);
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
  _Features__handle.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
}

}  // namespace

extern "C"
{

const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_c__get_message_type_support_handle__pelmora__msg__Features(void)
{
  return &_Features__handle;
}

size_t get_serialized_size_pelmora__msg__Features(
  const void * untyped_ros_message, size_t current_alignment)
{
  assert(untyped_ros_message);
  const auto * ros_message = static_cast<const pelmora__msg__Features *>(untyped_ros_message);
  // pad(a) + 40 + 4·N: only the element counts matter.
  size_t elements = 0;
#define PELMORA_COUNT(field) elements += ros_message->field.size;
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_COUNT, PELMORA_COUNT)
#undef PELMORA_COUNT
  return serialized_size(current_alignment, elements);
}

// pad(a) + 40: the encoding of a message whose sequences are all empty. The
// false flags tell the caller that it bounds nothing.
size_t max_serialized_size_pelmora__msg__Features(
  bool & full_bounded, bool & is_plain, size_t current_alignment)
{
  full_bounded = false;
  is_plain = false;
  return serialized_size(current_alignment, 0);
}

}  // extern "C"
