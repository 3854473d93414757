#include "rosidl_typesupport_cpp/message_type_support_dispatch.hpp"

#include "rosidl_typesupport_cpp/identifier.hpp"
#include "type_support_dispatch.hpp"

namespace rosidl_typesupport_cpp
{

const rosidl_message_type_support_t *
get_message_typesupport_handle_function(
  const rosidl_message_type_support_t * handle, const char * identifier)
{
  return pelmora_compat::dispatch(handle, identifier, typesupport_identifier);
}

}  // namespace rosidl_typesupport_cpp
