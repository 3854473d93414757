#include "own_tables.hpp"

#include <cstddef>
#include <new>

#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_typesupport_introspection_c/field_types.h"
#include "rosidl_typesupport_introspection_c/identifier.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"
#include "rosidl_typesupport_introspection_cpp/field_types.hpp"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"

namespace pelmora_tests
{
namespace
{

// Accessors of a C uint8 sequence, shaped as the C type supports' are.
using U8Seq = rosidl_runtime_c__uint8__Sequence;
size_t c_size(const void * s) {return static_cast<const U8Seq *>(s)->size;}
const void * c_get_const(const void * s, size_t i) {return static_cast<const U8Seq *>(s)->data + i;}
void * c_get(void * s, size_t i) {return static_cast<U8Seq *>(s)->data + i;}
void c_fetch(const void * s, size_t i, void * v) {*static_cast<uint8_t *>(v) = static_cast<const U8Seq *>(s)->data[i];}
void c_assign(void * s, size_t i, const void * v) {static_cast<U8Seq *>(s)->data[i] = *static_cast<const uint8_t *>(v);}
bool c_resize(void * s, size_t n)
{
  rosidl_runtime_c__uint8__Sequence__fini(static_cast<U8Seq *>(s));
  return rosidl_runtime_c__uint8__Sequence__init(static_cast<U8Seq *>(s), n);
}
void c_init(void * m, enum rosidl_runtime_c__message_initialization)
{
  auto * own = static_cast<OwnC *>(m);
  own->a = 0;
  own->b = 0;
  rosidl_runtime_c__uint8__Sequence__init(&own->c, 0);
}
void c_fini(void * m) {rosidl_runtime_c__uint8__Sequence__fini(&static_cast<OwnC *>(m)->c);}

const rosidl_typesupport_introspection_c__MessageMember own_c_members[3] = {
  {"a", rosidl_typesupport_introspection_c__ROS_TYPE_DOUBLE, 0, nullptr, false, 0, false,
    offsetof(OwnC, a), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
  {"b", rosidl_typesupport_introspection_c__ROS_TYPE_INT16, 0, nullptr, false, 0, false,
    offsetof(OwnC, b), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
  {"c", rosidl_typesupport_introspection_c__ROS_TYPE_UINT8, 0, nullptr, true, 0, false,
    offsetof(OwnC, c), nullptr, c_size, c_get_const, c_get, c_fetch, c_assign, c_resize},
};
const rosidl_typesupport_introspection_c__MessageMembers own_c_record = {
  "pelmora_tests__msg", "Own", 3, sizeof(OwnC), own_c_members, c_init, c_fini};

// The C++ accessors, one template per element type.
template<typename T>
size_t cpp_size(const void * s) {return static_cast<const std::vector<T> *>(s)->size();}
template<typename T>
const void * cpp_get_const(const void * s, size_t i) {return &(*static_cast<const std::vector<T> *>(s))[i];}
template<typename T>
void * cpp_get(void * s, size_t i) {return &(*static_cast<std::vector<T> *>(s))[i];}
template<typename T>
void cpp_fetch(const void * s, size_t i, void * v) {*static_cast<T *>(v) = (*static_cast<const std::vector<T> *>(s))[i];}
template<typename T>
void cpp_assign(void * s, size_t i, const void * v) {(*static_cast<std::vector<T> *>(s))[i] = *static_cast<const T *>(v);}
template<typename T>
void cpp_resize(void * s, size_t n) {static_cast<std::vector<T> *>(s)->resize(n);}

template<typename M>
void cpp_init(void * m, rosidl_runtime_cpp::MessageInitialization) {new (m) M();}
template<typename M>
void cpp_fini(void * m) {static_cast<M *>(m)->~M();}

namespace ti = rosidl_typesupport_introspection_cpp;

// A C++ member without accessors: a scalar, a string or a fixed array of messages.
ti::MessageMember cpp_member(
  const char * name, uint8_t type, uint32_t offset, const rosidl_message_type_support_t * members = nullptr,
  size_t array_size = 0)
{
  return {name, type, 0, members, array_size != 0, array_size, false, offset, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
}

// A C++ std::vector<T> member, bounded to `bound` elements when it is not 0.
template<typename T>
ti::MessageMember cpp_sequence(const char * name, uint8_t type, uint32_t offset, size_t bound = 0)
{
  return {name, type, 0, nullptr, true, bound, bound != 0, offset, nullptr,
    cpp_size<T>, cpp_get_const<T>, cpp_get<T>, cpp_fetch<T>, cpp_assign<T>, cpp_resize<T>};
}

const ti::MessageMember own_cpp_members[3] = {
  cpp_member("a", ti::ROS_TYPE_DOUBLE, offsetof(OwnCpp, a)),
  cpp_member("b", ti::ROS_TYPE_INT16, offsetof(OwnCpp, b)),
  cpp_sequence<uint8_t>("c", ti::ROS_TYPE_UINT8, offsetof(OwnCpp, c)),
};
const ti::MessageMembers own_cpp_record = {
  "pelmora_tests::msg", "Own", 3, sizeof(OwnCpp), own_cpp_members, cpp_init<OwnCpp>,
  cpp_fini<OwnCpp>};

rosidl_message_type_support_t own_cpp = {nullptr, &own_cpp_record, get_message_typesupport_handle_function};

const ti::MessageMember outer_cpp_members[4] = {
  cpp_member("tag", ti::ROS_TYPE_UINT8, offsetof(OuterCpp, tag)),
  cpp_member("label", ti::ROS_TYPE_STRING, offsetof(OuterCpp, label)),
  cpp_member("pair", ti::ROS_TYPE_MESSAGE, offsetof(OuterCpp, pair), &own_cpp, 2),
  cpp_sequence<int32_t>("bounded", ti::ROS_TYPE_INT32, offsetof(OuterCpp, bounded), 2),
};
const ti::MessageMembers outer_cpp_record = {
  "pelmora_tests::msg", "Outer", 4, sizeof(OuterCpp), outer_cpp_members, cpp_init<OuterCpp>,
  cpp_fini<OuterCpp>};

}  // namespace

const rosidl_message_type_support_t * own_c_handle()
{
  static rosidl_message_type_support_t handle = {
    rosidl_typesupport_introspection_c__identifier, &own_c_record,
    get_message_typesupport_handle_function};
  return &handle;
}

const rosidl_message_type_support_t * own_cpp_handle()
{
  own_cpp.typesupport_identifier = ti::typesupport_identifier;
  return &own_cpp;
}

const rosidl_message_type_support_t * outer_cpp_handle()
{
  static rosidl_message_type_support_t handle = {
    ti::typesupport_identifier, &outer_cpp_record, get_message_typesupport_handle_function};
  return &handle;
}

}  // namespace pelmora_tests
