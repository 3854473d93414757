#ifndef PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_
#define PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_

#include <stdbool.h>
#include <stddef.h>

#include "pelmora/msg/rosidl_typesupport_fastrtps_c__visibility_control.h"
#include "rosidl_runtime_c/message_type_support_struct.h"

#ifdef __cplusplus
extern "C"
{
#endif

/// The Fast-CDR type support of pelmora__msg__Features. Its data is a
/// message_type_support_callbacks_t (rosidl_typesupport_fastrtps_cpp) with
/// the encoder, decoder and size functions. Always the same handle.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_pelmora
const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_c__get_message_type_support_handle__pelmora__msg__Features(void);

/// Bytes that the record `untyped_ros_message` (a pelmora__msg__Features,
/// not null) takes as CDR when it starts `current_alignment` bytes from the
/// alignment origin: the leading padding, 40, and 4 per sequence element.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_pelmora
size_t get_serialized_size_pelmora__msg__Features(
  const void * untyped_ros_message, size_t current_alignment);

#ifdef __cplusplus
/// The size of a message whose sequences are all empty (40 plus the leading
/// padding). Sequences are unbounded, so this is no upper bound: both flags
/// are set to false to say so.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_pelmora
size_t max_serialized_size_pelmora__msg__Features(
  bool & full_bounded, bool & is_plain, size_t current_alignment);
#endif

#ifdef __cplusplus
}
#endif

#endif  // PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_
