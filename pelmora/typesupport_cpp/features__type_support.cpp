// The C++ dispatcher: one handle that names both C++ type supports of the
// package by identifier; the look-up function of rosidl_typesupport_cpp
// loads the matching library by file name when a middleware first asks.
#include "pelmora/msg/detail/features__type_support.hpp"

#include <cstddef>

#include "rosidl_typesupport_c/type_support_map.h"
#include "rosidl_typesupport_cpp/identifier.hpp"
#include "rosidl_typesupport_cpp/message_type_support_dispatch.hpp"

namespace
{

const char * const _Features__typesupport_identifiers[2] = {
  "rosidl_typesupport_fastrtps_cpp",
  "rosidl_typesupport_introspection_cpp",
};

const char * const _Features__symbol_names[2] = {
  "rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__pelmora__msg__Features",
  "rosidl_typesupport_introspection_cpp__get_message_type_support_handle__pelmora__msg__Features",
};

// Owned by the look-up function, which caches the loaded libraries here.
void * _Features__data[2] = {nullptr, nullptr};

const type_support_map_t _Features__type_support_map = {
  2,
  "pelmora",
  _Features__typesupport_identifiers,
  _Features__symbol_names,
  _Features__data,
};

rosidl_message_type_support_t _Features__dispatch_handle = {
  nullptr,  // set at load time: the identifier lives in another library
  &_Features__type_support_map,
  rosidl_typesupport_cpp::get_message_typesupport_handle_function,
};

__attribute__((constructor))
void _Features__set_identifier()
{
  _Features__dispatch_handle.typesupport_identifier = rosidl_typesupport_cpp::typesupport_identifier;
}

}  // namespace

namespace rosidl_typesupport_cpp
{

template<>
const rosidl_message_type_support_t *
get_message_type_support_handle<pelmora::msg::Features>()
{
  return &_Features__dispatch_handle;
}

}  // namespace rosidl_typesupport_cpp

const rosidl_message_type_support_t *
rosidl_typesupport_cpp__get_message_type_support_handle__pelmora__msg__Features()
{
  return rosidl_typesupport_cpp::get_message_type_support_handle<pelmora::msg::Features>();
}
