#include "pelmora_dds/type_support.hpp"

#include <cassert>

#include "rcutils/error_handling.h"

namespace pelmora_dds
{

const rosidl_message_type_support_t * resolve_type_support(
  const rosidl_message_type_support_t * dispatcher, const char * identifier,
  std::string * error)
{
  assert(dispatcher != nullptr && identifier != nullptr);
  const rosidl_message_type_support_t * found = get_message_typesupport_handle(dispatcher, identifier);
  if (found == nullptr && error != nullptr) {
    *error = std::string("no type support '") + identifier + "' behind the handle";
    if (rcutils_error_is_set()) {
      *error += std::string(": ") + rcutils_get_error_string().str;
    }
  }
  rcutils_reset_error();
  return found;
}

std::string dds_type_name(const message_type_support_callbacks_t * callbacks)
{
  return std::string(callbacks->message_namespace_) + "::dds_::" + callbacks->message_name_ + "_";
}

}  // namespace pelmora_dds
