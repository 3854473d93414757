// What the walk needs to know of C messages: strings are
// rosidl_runtime_c__String, sequences resize through their member's
// function and report failure by returning false.
#include "languages.hpp"

#include "rosidl_runtime_c/string.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"
#include "walk_codec.hpp"

namespace pelmora_cdr_walker
{

namespace
{

struct CLanguage
{
  using Members = rosidl_typesupport_introspection_c__MessageMembers;
  using Member = rosidl_typesupport_introspection_c__MessageMember;
  using String = rosidl_runtime_c__String;
  static constexpr bool kPackedBoolSequences = false;

  static size_t string_size(const void * s) {return static_cast<const String *>(s)->size;}
  static const char * string_data(const void * s) {return static_cast<const String *>(s)->data;}
  static bool string_assign(void * s, const char * text, size_t length)
  {
    return rosidl_runtime_c__String__assignn(static_cast<String *>(s), text, length);
  }
  static bool resize(const Member & m, void * field, size_t n) {return m.resize_function(field, n);}
  static void init(const Members & members, void * memory)
  {
    members.init_function(memory, ROSIDL_RUNTIME_C_MSG_INIT_ALL);
  }
};

}  // namespace

std::unique_ptr<Codec> make_c_codec(const void * members, std::string * error)
{
  return WalkCodec<CLanguage>::make(*static_cast<const CLanguage::Members *>(members), error);
}

}  // namespace pelmora_cdr_walker
