// The C dispatcher: one handle that names both C type supports of the
// package by identifier; the look-up function of rosidl_typesupport_c loads
// the matching library by file name when a middleware first asks for it.
#include "pelmora/msg/detail/features__type_support.h"

#include <stddef.h>

#include "rosidl_typesupport_c/identifier.h"
#include "rosidl_typesupport_c/message_type_support_dispatch.h"
#include "rosidl_typesupport_c/type_support_map.h"

static const char * const _Features__typesupport_identifiers[2] = {
  "rosidl_typesupport_fastrtps_c",
  "rosidl_typesupport_introspection_c",
};

static const char * const _Features__symbol_names[2] = {
  "rosidl_typesupport_fastrtps_c__get_message_type_support_handle__pelmora__msg__Features",
  "rosidl_typesupport_introspection_c__get_message_type_support_handle__pelmora__msg__Features",
};

// Owned by the look-up function, which caches the loaded libraries here.
static void * _Features__data[2] = {NULL, NULL};

static const type_support_map_t _Features__type_support_map = {
  2,
  "pelmora",
  _Features__typesupport_identifiers,
  _Features__symbol_names,
  _Features__data,
};

static rosidl_message_type_support_t _Features__dispatch_handle = {
  NULL,  // set at load time: the identifier lives in another library
  &_Features__type_support_map,
  rosidl_typesupport_c__get_message_typesupport_handle_function,
};

__attribute__((constructor))
static void _Features__set_identifier(void)
{
  _Features__dispatch_handle.typesupport_identifier = rosidl_typesupport_c__typesupport_identifier;
}

const rosidl_message_type_support_t *
rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(void)
{
  return &_Features__dispatch_handle;
}
