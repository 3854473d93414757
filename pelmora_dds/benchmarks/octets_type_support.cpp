#include "octets_type_support.hpp"

#include <new>

#include "fastcdr/Cdr.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/identifier.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace pelmora_bench
{
namespace
{

using eprosima::fastcdr::Cdr;

// --- C form ------------------------------------------------------------------

bool c_serialize(const void * untyped, Cdr & cdr)
{
  const auto & sequence = static_cast<const OctetsC *>(untyped)->data;
  cdr.serialize(static_cast<uint32_t>(sequence.size));
  cdr.serializeArray(sequence.data, sequence.size);
  return true;
}

// True when `bytes` more bytes lie ahead of `cdr`, which is left where it is.
bool ahead(Cdr & cdr, uint32_t bytes)
{
  Cdr::state here = cdr.getState();
  const bool there = cdr.jump(bytes);
  cdr.setState(here);
  return there;
}

// A length word beyond the bytes left is refused before anything is
// allocated, as the Features decoders do.
bool c_deserialize(Cdr & cdr, void * untyped)
{
  auto & sequence = static_cast<OctetsC *>(untyped)->data;
  uint32_t length = 0;
  cdr.deserialize(length);
  if (!ahead(cdr, length)) {
    return false;
  }
  if (sequence.data != nullptr) {
    rosidl_runtime_c__octet__Sequence__fini(&sequence);
  }
  if (!rosidl_runtime_c__octet__Sequence__init(&sequence, length)) {
    return false;
  }
  cdr.deserializeArray(sequence.data, length);
  return true;
}

uint32_t c_serialized_size(const void * untyped)
{
  return static_cast<uint32_t>(octets_encoded_bytes(static_cast<const OctetsC *>(untyped)->data.size));
}

// --- C++ form ----------------------------------------------------------------

bool cpp_serialize(const void * untyped, Cdr & cdr)
{
  cdr.serialize(static_cast<const OctetsCpp *>(untyped)->data);
  return true;
}

bool cpp_deserialize(Cdr & cdr, void * untyped)
{
  cdr.deserialize(static_cast<OctetsCpp *>(untyped)->data);
  return true;
}

uint32_t cpp_serialized_size(const void * untyped)
{
  return static_cast<uint32_t>(octets_encoded_bytes(static_cast<const OctetsCpp *>(untyped)->data.size()));
}

// Unbounded, like Features: the maximum is the empty message.
size_t max_serialized_size(char & bounds_info)
{
  bounds_info = 0;
  return octets_encoded_bytes(0);
}

const message_type_support_callbacks_t c_callbacks = {
  "pelmora_bench::msg", "Octets", c_serialize, c_deserialize, c_serialized_size, max_serialized_size};

const message_type_support_callbacks_t cpp_callbacks = {
  "pelmora_bench::msg", "Octets", cpp_serialize, cpp_deserialize, cpp_serialized_size,
  max_serialized_size};

}  // namespace

const rosidl_message_type_support_t * octets_c_type_support()
{
  static const rosidl_message_type_support_t handle = {
    rosidl_typesupport_fastrtps_c__identifier, &c_callbacks, get_message_typesupport_handle_function};
  return &handle;
}

const rosidl_message_type_support_t * octets_cpp_type_support()
{
  static const rosidl_message_type_support_t handle = {
    rosidl_typesupport_fastrtps_cpp::typesupport_identifier, &cpp_callbacks,
    get_message_typesupport_handle_function};
  return &handle;
}

OctetsC * octets_c_create(size_t size)
{
  auto * message = new OctetsC{};
  if (!rosidl_runtime_c__octet__Sequence__init(&message->data, size)) {
    delete message;
    throw std::bad_alloc();
  }
  for (size_t i = 0; i < size; ++i) {
    message->data.data[i] = static_cast<uint8_t>(i * 131u + 7u);
  }
  return message;
}

void octets_c_destroy(OctetsC * message)
{
  if (message != nullptr) {
    rosidl_runtime_c__octet__Sequence__fini(&message->data);
    delete message;
  }
}

}  // namespace pelmora_bench
