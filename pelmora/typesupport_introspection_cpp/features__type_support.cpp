// The C++ introspection type support: a constant description of
// pelmora::msg::Features, member by member, with the functions that let
// generic code build, walk and destroy a message it was not compiled with.
#include "pelmora/msg/detail/features__rosidl_typesupport_introspection_cpp.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "rosidl_typesupport_introspection_cpp/field_types.hpp"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"

namespace pelmora
{
namespace msg
{
namespace rosidl_typesupport_introspection_cpp
{

namespace introspection = ::rosidl_typesupport_introspection_cpp;

namespace
{

template<typename Element>
using Vector = pelmora::msg::Features::Sequence<Element>;

// One implementation per element type behind the named accessors. Indexing
// goes through operator[], which the standard library's assertion mode
// checks against the current size.
template<typename Element>
size_t sequence_size(const void * member)
{
  return static_cast<const Vector<Element> *>(member)->size();
}

template<typename Element>
const void * sequence_get_const(const void * member, size_t index)
{
  return &(*static_cast<const Vector<Element> *>(member))[index];
}

template<typename Element>
void * sequence_get(void * member, size_t index)
{
  return &(*static_cast<Vector<Element> *>(member))[index];
}

// Fetch and assign copy the element's bytes, so a float's bit pattern (a
// signalling NaN included) passes unchanged.
template<typename Element>
void sequence_fetch(const void * member, size_t index, void * value)
{
  std::memcpy(value, sequence_get_const<Element>(member, index), sizeof(Element));
}

template<typename Element>
void sequence_assign(void * member, size_t index, const void * value)
{
  std::memcpy(sequence_get<Element>(member, index), value, sizeof(Element));
}

template<typename Element>
void sequence_resize(void * member, size_t size)
{
  static_cast<Vector<Element> *>(member)->resize(size);
}

template<typename Element>
constexpr uint8_t type_id();

template<>
constexpr uint8_t type_id<uint32_t>()
{
  return introspection::ROS_TYPE_UINT32;
}

template<>
constexpr uint8_t type_id<float>()
{
  return introspection::ROS_TYPE_FLOAT;
}

}  // namespace

void Features_init_function(void * message_memory, rosidl_runtime_cpp::MessageInitialization init)
{
  new (message_memory) pelmora::msg::Features(init);
}

void Features_fini_function(void * message_memory)
{
  static_cast<pelmora::msg::Features *>(message_memory)->~Features_();
}

#define PELMORA_DEFINE_FEATURES_ACCESSORS(name, element) \
  size_t size_function__Features__ ## name(const void * member) \
  { \
    return sequence_size<element>(member); \
  } \
  const void * get_const_function__Features__ ## name(const void * member, size_t index) \
  { \
    return sequence_get_const<element>(member, index); \
  } \
  void * get_function__Features__ ## name(void * member, size_t index) \
  { \
    return sequence_get<element>(member, index); \
  } \
  void fetch_function__Features__ ## name(const void * member, size_t index, void * value) \
  { \
    sequence_fetch<element>(member, index, value); \
  } \
  void assign_function__Features__ ## name(void * member, size_t index, const void * value) \
  { \
    sequence_assign<element>(member, index, value); \
  } \
  void resize_function__Features__ ## name(void * member, size_t size) \
  { \
    sequence_resize<element>(member, size); \
  }

PELMORA__MSG__FEATURES__MEMBERS(PELMORA__MSG__FEATURES__IGNORE, PELMORA_DEFINE_FEATURES_ACCESSORS)

#undef PELMORA_DEFINE_FEATURES_ACCESSORS

namespace
{

// Entry fields in the record's order: name, type id, string bound, nested
// members, is array, array size, is upper bound, offset, default value, then
// the six accessors (size, get const, get, fetch, assign, resize).
#define PELMORA_SCALAR_ENTRY(name, element) \
  { \
    #name, type_id<element>(), 0, nullptr, false, 0, false, \
    offsetof(pelmora::msg::Features, name), nullptr, \
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr \
  },
#define PELMORA_SEQUENCE_ENTRY(name, element) \
  { \
    #name, type_id<element>(), 0, nullptr, true, 0, false, \
    offsetof(pelmora::msg::Features, name), nullptr, \
    size_function__Features__ ## name, get_const_function__Features__ ## name, \
    get_function__Features__ ## name, fetch_function__Features__ ## name, \
    assign_function__Features__ ## name, resize_function__Features__ ## name \
  },

constexpr introspection::MessageMember Features_member_table[] = {
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA_SCALAR_ENTRY, PELMORA_SEQUENCE_ENTRY)
};

#undef PELMORA_SCALAR_ENTRY
#undef PELMORA_SEQUENCE_ENTRY

constexpr introspection::MessageMembers Features_members_record = {
  "pelmora::msg",
  "Features",
  sizeof(Features_member_table) / sizeof(Features_member_table[0]),
  sizeof(pelmora::msg::Features),
  Features_member_table,
  Features_init_function,
  Features_fini_function,
};

rosidl_message_type_support_t Features_introspection_handle = {
  nullptr,  // set at load time: the identifier lives in another library
  &Features_members_record,
  get_message_typesupport_handle_function,
};

__attribute__((constructor))
void Features_set_identifier()
{
  Features_introspection_handle.typesupport_identifier = introspection::typesupport_identifier;
}

}  // namespace

}  // namespace rosidl_typesupport_introspection_cpp
}  // namespace msg
}  // namespace pelmora

namespace rosidl_typesupport_introspection_cpp
{

template<>
const rosidl_message_type_support_t *
get_message_type_support_handle<pelmora::msg::Features>()
{
  return &pelmora::msg::rosidl_typesupport_introspection_cpp::Features_introspection_handle;
}

}  // namespace rosidl_typesupport_introspection_cpp

const rosidl_message_type_support_t *
rosidl_typesupport_introspection_cpp__get_message_type_support_handle__pelmora__msg__Features()
{
  return &pelmora::msg::rosidl_typesupport_introspection_cpp::Features_introspection_handle;
}
