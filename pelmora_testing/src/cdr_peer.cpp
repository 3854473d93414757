// A stand-in middleware for the Python tests, loaded with ctypes: from the
// handle in the type-support capsule it asks for the Fast-CDR type support
// by identifier and uses only that callbacks record. It also calls the
// Python-to-C conversion, so that the tests see its bool result beside the
// exception; no Python C API is used here, so one build serves every ABI.
#include <cstddef>

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "fastcdr/exceptions/Exception.h"
#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

#define PEER_EXPORT extern "C" __attribute__((visibility("default")))

namespace
{
const message_type_support_callbacks_t * callbacks_of(const rosidl_message_type_support_t * handle)
{
  const rosidl_message_type_support_t * cdr = handle->func(handle, "rosidl_typesupport_fastrtps_c");
  return cdr ? static_cast<const message_type_support_callbacks_t *>(cdr->data) : nullptr;
}

eprosima::fastcdr::Cdr::Endianness byte_order(int big_endian)
{
  return big_endian ? eprosima::fastcdr::Cdr::BIG_ENDIANNESS : eprosima::fastcdr::Cdr::LITTLE_ENDIANNESS;
}
}  // namespace

PEER_EXPORT size_t peer_serialized_size(const rosidl_message_type_support_t * handle, const void * record)
{
  const message_type_support_callbacks_t * callbacks = callbacks_of(handle);
  return callbacks ? callbacks->get_serialized_size(record) : 0;
}

// Encodes `record` from position 0; returns the byte count, or -1.
PEER_EXPORT long peer_serialize(
  const rosidl_message_type_support_t * handle, const void * record, int big_endian,
  char * out, size_t capacity)
{
  const message_type_support_callbacks_t * callbacks = callbacks_of(handle);
  eprosima::fastcdr::FastBuffer buffer(out, capacity);
  eprosima::fastcdr::Cdr cdr(buffer, byte_order(big_endian), eprosima::fastcdr::Cdr::DDS_CDR);
  try {
    if (callbacks && callbacks->cdr_serialize(record, cdr)) {
      return static_cast<long>(cdr.getSerializedDataLength());
    }
  } catch (const eprosima::fastcdr::exception::Exception &) {
  }
  return -1;
}

// Decodes into the initialised `record`; returns 1, or 0.
PEER_EXPORT int peer_deserialize(
  const rosidl_message_type_support_t * handle, char * bytes, size_t length, int big_endian,
  void * record)
{
  const message_type_support_callbacks_t * callbacks = callbacks_of(handle);
  eprosima::fastcdr::FastBuffer buffer(bytes, length);
  eprosima::fastcdr::Cdr cdr(buffer, byte_order(big_endian), eprosima::fastcdr::Cdr::DDS_CDR);
  try {
    return callbacks && callbacks->cdr_deserialize(cdr, record) ? 1 : 0;
  } catch (const eprosima::fastcdr::exception::Exception &) {
    return 0;
  }
}

// Called through ctypes.PyDLL: the interpreter lock stays held, and ctypes
// raises whatever exception the conversion left set.
PEER_EXPORT void peer_call_convert_from_py(
  bool (* convert_from_py)(void *, void *), void * pyobject, void * record, bool * result)
{
  *result = convert_from_py(pyobject, record);
}
