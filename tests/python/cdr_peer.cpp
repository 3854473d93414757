// A stand-in middleware for the Python tests, loaded with ctypes: it does
// what a DDS layer does with the handle from the type-support capsule (asks
// it for the Fast-CDR type support by identifier and uses that callbacks
// record), and nothing else. It also calls the Python-to-C conversion for
// the tests, so that they see its bool result beside the exception.
#include <cstddef>
#include <cstdint>

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
  const rosidl_message_type_support_t * cdr_support =
    handle->func(handle, "rosidl_typesupport_fastrtps_c");
  if (cdr_support == nullptr) {
    return nullptr;
  }
  return static_cast<const message_type_support_callbacks_t *>(cdr_support->data);
}

eprosima::fastcdr::Cdr::Endianness byte_order(int big_endian)
{
  return big_endian ? eprosima::fastcdr::Cdr::BIG_ENDIANNESS : eprosima::fastcdr::Cdr::LITTLE_ENDIANNESS;
}

}  // namespace

// Bytes that the encoder writes for `record`, or 0 when the type support
// cannot be had.
PEER_EXPORT size_t peer_serialized_size(const rosidl_message_type_support_t * handle, const void * record)
{
  const message_type_support_callbacks_t * callbacks = callbacks_of(handle);
  return callbacks == nullptr ? 0 : callbacks->get_serialized_size(record);
}

// Encodes `record` from position 0 into `out`; returns the byte count, or -1.
PEER_EXPORT long peer_serialize(
  const rosidl_message_type_support_t * handle, const void * record, int big_endian,
  char * out, size_t capacity)
{
  const message_type_support_callbacks_t * callbacks = callbacks_of(handle);
  if (callbacks == nullptr) {
    return -1;
  }
  eprosima::fastcdr::FastBuffer buffer(out, capacity);
  eprosima::fastcdr::Cdr cdr(buffer, byte_order(big_endian), eprosima::fastcdr::Cdr::DDS_CDR);
  try {
    if (!callbacks->cdr_serialize(record, cdr)) {
      return -1;
    }
  } catch (const eprosima::fastcdr::exception::Exception &) {
    return -1;
  }
  return static_cast<long>(cdr.getSerializedDataLength());
}

// Decodes `length` bytes into the initialised `record`; returns 1 or 0.
PEER_EXPORT int peer_deserialize(
  const rosidl_message_type_support_t * handle, char * bytes, size_t length, int big_endian,
  void * record)
{
  const message_type_support_callbacks_t * callbacks = callbacks_of(handle);
  if (callbacks == nullptr) {
    return 0;
  }
  eprosima::fastcdr::FastBuffer buffer(bytes, length);
  eprosima::fastcdr::Cdr cdr(buffer, byte_order(big_endian), eprosima::fastcdr::Cdr::DDS_CDR);
  try {
    return callbacks->cdr_deserialize(cdr, record) ? 1 : 0;
  } catch (const eprosima::fastcdr::exception::Exception &) {
    return 0;
  }
}

// Calls a convert_from_py function and stores its result in *result. Called
// through ctypes.PyDLL, so the interpreter lock stays held and ctypes raises
// whatever exception the conversion left set; nothing of Python's C API is
// used here, so one build serves every interpreter ABI.
PEER_EXPORT void peer_call_convert_from_py(
  bool (* convert_from_py)(void *, void *), void * pyobject, void * record, bool * result)
{
  *result = convert_from_py(pyobject, record);
}
