// What the walk needs to know of C++ messages: strings are std::string,
// resizing a sequence may throw, and bool sequences are std::vector<bool>,
// which has no contiguous storage and is reached element by element.
#include "languages.hpp"

#include <new>
#include <stdexcept>

#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"
#include "walk_codec.hpp"

namespace pelmora_cdr_walker
{

namespace
{

struct CppLanguage
{
  using Members = rosidl_typesupport_introspection_cpp::MessageMembers;
  using Member = rosidl_typesupport_introspection_cpp::MessageMember;
  using String = std::string;
  static constexpr bool kPackedBoolSequences = true;

  static size_t string_size(const void * s) {return static_cast<const String *>(s)->size();}
  static const char * string_data(const void * s) {return static_cast<const String *>(s)->data();}
  static bool string_assign(void * s, const char * text, size_t length)
  {
    try {
      static_cast<String *>(s)->assign(text, length);
      return true;
    } catch (const std::bad_alloc &) {
      return false;
    }
  }
  static bool resize(const Member & m, void * field, size_t n)
  {
    try {
      m.resize_function(field, n);
      return true;
    } catch (const std::bad_alloc &) {
      return false;
    } catch (const std::length_error &) {
      return false;
    }
  }
  static void init(const Members & members, void * memory)
  {
    members.init_function(memory, rosidl_runtime_cpp::MessageInitialization::ALL);
  }
};

}  // namespace

std::unique_ptr<Codec> make_cpp_codec(const void * members, std::string * error)
{
  return WalkCodec<CppLanguage>::make(*static_cast<const CppLanguage::Members *>(members), error);
}

}  // namespace pelmora_cdr_walker
