#include "pelmora_cdr_walker/walker.hpp"

#include <cstring>

#include "languages.hpp"
#include "rcutils/error_handling.h"
#include "rosidl_typesupport_introspection_c/identifier.h"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "streams.hpp"

namespace pelmora_cdr_walker
{

ByteOrder native_byte_order()
{
  return __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ByteOrder::little : ByteOrder::big;
}

std::unique_ptr<Codec> make_codec(
  const rosidl_message_type_support_t * introspection, std::string * error)
{
  const char * id = introspection->typesupport_identifier;
  if (id != nullptr && std::strcmp(id, rosidl_typesupport_introspection_c__identifier) == 0) {
    return make_c_codec(introspection->data, error);
  }
  if (id != nullptr &&
    std::strcmp(id, rosidl_typesupport_introspection_cpp::typesupport_identifier) == 0)
  {
    return make_cpp_codec(introspection->data, error);
  }
  fail_with(error, std::string("not an introspection type support: ") + (id ? id : "(no identifier)"));
  return nullptr;
}

std::unique_ptr<Codec> make_codec_from_dispatcher(
  const rosidl_message_type_support_t * dispatcher, bool language_c, std::string * error)
{
  const char * identifier = language_c ?
    rosidl_typesupport_introspection_c__identifier :
    rosidl_typesupport_introspection_cpp::typesupport_identifier;
  const rosidl_message_type_support_t * found = get_message_typesupport_handle(dispatcher, identifier);
  if (found == nullptr) {
    if (error != nullptr) {
      *error = std::string("no type support '") + identifier + "' behind the handle";
      if (rcutils_error_is_set()) {
        *error += std::string(": ") + rcutils_get_error_string().str;
      }
    }
    rcutils_reset_error();
    return nullptr;
  }
  return make_codec(found, error);
}

std::string dds_type_name(const Codec & codec)
{
  const std::string full = codec.type_name();
  const size_t last = full.rfind("::");
  return full.substr(0, last) + "::dds_::" + full.substr(last + 2) + "_";
}

}  // namespace pelmora_cdr_walker
