#include "rosidl_typesupport_c/message_type_support_dispatch.h"

#include "rosidl_typesupport_c/identifier.h"
#include "type_support_dispatch.hpp"

extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_c__get_message_typesupport_handle_function(
  const rosidl_message_type_support_t * handle, const char * identifier)
{
  return pelmora_compat::dispatch(handle, identifier, rosidl_typesupport_c__typesupport_identifier);
}
