#ifndef PELMORA__MSG__DETAIL__FEATURES__TYPE_SUPPORT_HPP_
#define PELMORA__MSG__DETAIL__FEATURES__TYPE_SUPPORT_HPP_

#include "pelmora/msg/detail/features__struct.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_cpp/message_type_support.hpp"

// Marks what libpelmora__rosidl_typesupport_cpp exports; the library is
// built with hidden visibility, so nothing else leaves it.
#define ROSIDL_TYPESUPPORT_CPP_PUBLIC_pelmora __attribute__((visibility("default")))

namespace rosidl_typesupport_cpp
{

/// The C++ dispatcher's handle (libpelmora__rosidl_typesupport_cpp): ask it,
/// through its function, for "rosidl_typesupport_fastrtps_cpp" or
/// "rosidl_typesupport_introspection_cpp" to get that type support.
template<>
ROSIDL_TYPESUPPORT_CPP_PUBLIC_pelmora
const rosidl_message_type_support_t *
get_message_type_support_handle<pelmora::msg::Features>();

}  // namespace rosidl_typesupport_cpp

extern "C"
{

/// The same handle with C linkage.
ROSIDL_TYPESUPPORT_CPP_PUBLIC_pelmora
const rosidl_message_type_support_t *
rosidl_typesupport_cpp__get_message_type_support_handle__pelmora__msg__Features();

}

#endif  // PELMORA__MSG__DETAIL__FEATURES__TYPE_SUPPORT_HPP_
