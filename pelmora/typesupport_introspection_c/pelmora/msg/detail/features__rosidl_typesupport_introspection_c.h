#ifndef PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_INTROSPECTION_C_H_
#define PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_INTROSPECTION_C_H_

#include <stdbool.h>
#include <stddef.h>

#include "pelmora/msg/detail/features__fields.h"
#include "pelmora/msg/rosidl_typesupport_introspection_c__visibility_control.h"
#include "rosidl_runtime_c/message_initialization.h"
#include "rosidl_runtime_c/message_type_support_struct.h"

#ifdef __cplusplus
extern "C"
{
#endif

/// The introspection type support of pelmora__msg__Features. Its data is a
/// rosidl_typesupport_introspection_c__MessageMembers describing the record
/// field by field. The identifier is filled in by the first call.
ROSIDL_TYPESUPPORT_INTROSPECTION_C_PUBLIC_pelmora
const rosidl_message_type_support_t *
rosidl_typesupport_introspection_c__get_message_type_support_handle__pelmora__msg__Features(void);

/// pelmora__msg__Features__init on `message_memory`, whatever the kind; the
/// scalars keep what the memory held.
ROSIDL_TYPESUPPORT_INTROSPECTION_C_PUBLIC_pelmora
void pelmora__msg__Features__rosidl_typesupport_introspection_c__Features_init_function(
  void * message_memory, enum rosidl_runtime_c__message_initialization kind);

/// pelmora__msg__Features__fini on `message_memory`, which stays the caller's.
ROSIDL_TYPESUPPORT_INTROSPECTION_C_PUBLIC_pelmora
void pelmora__msg__Features__rosidl_typesupport_introspection_c__Features_fini_function(
  void * message_memory);

/// The name of the <kind> accessor of sequence field <field>, for example
/// PELMORA__MSG__FEATURES__INTROSPECTION_C_ACCESSOR(resize, x).
#define PELMORA__MSG__FEATURES__INTROSPECTION_C_ACCESSOR(kind, field) \
  pelmora__msg__Features__rosidl_typesupport_introspection_c__ ## kind ## _function__Features__ ## field

// Six accessors per sequence field. Each takes the address of the field
// inside a record (record + offset_), never the record itself. fetch and
// assign copy one element; the index must be below the field's size. resize
// drops every element and makes `size` fresh ones; false if that fails.
#define PELMORA__MSG__FEATURES__DECLARE_INTROSPECTION_C_ACCESSORS(field) \
  ROSIDL_TYPESUPPORT_INTROSPECTION_C_PUBLIC_pelmora \
  size_t PELMORA__MSG__FEATURES__INTROSPECTION_C_ACCESSOR(size, field)(const void * member); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_C_PUBLIC_pelmora \
  const void * PELMORA__MSG__FEATURES__INTROSPECTION_C_ACCESSOR(get_const, field)( \
    const void * member, size_t index); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_C_PUBLIC_pelmora \
  void * PELMORA__MSG__FEATURES__INTROSPECTION_C_ACCESSOR(get, field)(void * member, size_t index); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_C_PUBLIC_pelmora \
  void PELMORA__MSG__FEATURES__INTROSPECTION_C_ACCESSOR(fetch, field)( \
    const void * member, size_t index, void * value); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_C_PUBLIC_pelmora \
  void PELMORA__MSG__FEATURES__INTROSPECTION_C_ACCESSOR(assign, field)( \
    void * member, size_t index, const void * value); \
  ROSIDL_TYPESUPPORT_INTROSPECTION_C_PUBLIC_pelmora \
  bool PELMORA__MSG__FEATURES__INTROSPECTION_C_ACCESSOR(resize, field)(void * member, size_t size);

PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(
  PELMORA__MSG__FEATURES__DECLARE_INTROSPECTION_C_ACCESSORS,
  PELMORA__MSG__FEATURES__DECLARE_INTROSPECTION_C_ACCESSORS)

#undef PELMORA__MSG__FEATURES__DECLARE_INTROSPECTION_C_ACCESSORS

#ifdef __cplusplus
}
#endif

#endif  // PELMORA__MSG__DETAIL__FEATURES__ROSIDL_TYPESUPPORT_INTROSPECTION_C_H_
