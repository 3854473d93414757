#ifndef PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_HPP_
#define PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_HPP_

#include <cstddef>

#include "pelmora/msg/detail/features__fields.hpp"
#include "pelmora/msg/detail/features__struct.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_cpp/message_initialization.hpp"
#include "rosidl_typesupport_introspection_cpp/message_type_support_decl.hpp"

// Marks what libpelmora__rosidl_typesupport_introspection_cpp exports; the
// library is built with hidden visibility, so nothing else leaves it.
#define ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora __attribute__((visibility("default")))

namespace pelmora
{
namespace msg
{
namespace rosidl_typesupport_introspection_cpp
{

/// Constructs a Features in `message_memory` (at least sizeof(Features)
/// bytes, suitably aligned, holding no live message) with `init` passed on.
ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora
void Features_init_function(
  void * message_memory, rosidl_runtime_cpp::MessageInitialization init);

/// Destroys the Features at `message_memory` without releasing that memory.
ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora
void Features_fini_function(void * message_memory);

// The six accessors of each sequence member. `member` is the address of the
// vector inside a message, never the message's. An index must be below the
// current size: the library is built with the standard library's assertions,
// which end the process on an index out of range.
#define PELMORA_DECLARE_FEATURES_ACCESSORS(name, element) \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora \
  size_t size_function__Features__ ## name(const void * member); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora \
  const void * get_const_function__Features__ ## name(const void * member, size_t index); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora \
  void * get_function__Features__ ## name(void * member, size_t index); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora \
  void fetch_function__Features__ ## name(const void * member, size_t index, void * value); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora \
  void assign_function__Features__ ## name(void * member, size_t index, const void * value); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora \
  void resize_function__Features__ ## name(void * member, size_t size);

PELMORA__MSG__FEATURES__MEMBERS(PELMORA__MSG__FEATURES__IGNORE, PELMORA_DECLARE_FEATURES_ACCESSORS)

#undef PELMORA_DECLARE_FEATURES_ACCESSORS

}  // namespace rosidl_typesupport_introspection_cpp
}  // namespace msg
}  // namespace pelmora

namespace rosidl_typesupport_introspection_cpp
{

template<>
ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora
const rosidl_message_type_support_t *
get_message_type_support_handle<pelmora::msg::Features>();

}  // namespace rosidl_typesupport_introspection_cpp

extern "C"
{

/// The same handle, under the name the C++ dispatcher resolves.
ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_PUBLIC_pelmora
const rosidl_message_type_support_t *
rosidl_typesupport_introspection_cpp__get_message_type_support_handle__pelmora__msg__Features();

}

#endif  // PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_INTROSPECTION_CPP_HPP_
