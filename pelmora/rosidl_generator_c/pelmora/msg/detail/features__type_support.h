#ifndef PELMORA__MSG__DETAIL__FEATURES__TYPE_SUPPORT_H_
#define PELMORA__MSG__DETAIL__FEATURES__TYPE_SUPPORT_H_

#include "pelmora/msg/rosidl_generator_c__visibility_control.h"
#include "rosidl_runtime_c/message_type_support_struct.h"

#ifdef __cplusplus
extern "C"
{
#endif

/// The C dispatcher's handle (libpelmora__rosidl_typesupport_c): ask it, through
/// its function, for "rosidl_typesupport_fastrtps_c" or
/// "rosidl_typesupport_introspection_c" to get that type support.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
const rosidl_message_type_support_t *
rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(void);

#ifdef __cplusplus
}
#endif

#endif  // PELMORA__MSG__DETAIL__FEATURES__TYPE_SUPPORT_H_
