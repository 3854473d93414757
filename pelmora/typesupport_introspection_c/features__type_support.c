// The introspection type support of pelmora__msg__Features: a member table
// from which generic C code (a middleware that serializes by walking it, a
// tool that prints or fills messages) can build, visit and change a record
// it was never compiled against.
//
// All of it is constant data built by the compiler except the handle's
// identifier, which the handle function fills in on its first call.
#include "pelmora/msg/detail/features__rosidl_typesupport_introspection_c.h"

#include <assert.h>
#include <pthread.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "pelmora/msg/detail/features__functions.h"
#include "pelmora/msg/detail/features__struct.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_typesupport_introspection_c/field_types.h"
#include "rosidl_typesupport_introspection_c/identifier.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"

#define ACCESSOR PELMORA__MSG__FEATURES__INTROSPECTION_C_ACCESSOR

void pelmora__msg__Features__rosidl_typesupport_introspection_c__Features_init_function(
  void * message_memory, enum rosidl_runtime_c__message_initialization kind)
{
  // The message defines no defaults, so every kind gives eight empty
  // sequences. Making empty sequences allocates nothing and cannot fail.
  (void)kind;
  (void)pelmora__msg__Features__init(message_memory);
}

void pelmora__msg__Features__rosidl_typesupport_introspection_c__Features_fini_function(
  void * message_memory)
{
  pelmora__msg__Features__fini(message_memory);
}

// Resizing gives fresh elements and never keeps the old ones, so one body
// per element type serves all its fields.
#define PELMORA_DEFINE_RESIZE(type) \
  static bool resize_ ## type ## _sequence(void * member, size_t size) \
  { \
    rosidl_runtime_c__ ## type ## __Sequence * sequence = member; \
    rosidl_runtime_c__ ## type ## __Sequence__fini(sequence); \
    return rosidl_runtime_c__ ## type ## __Sequence__init(sequence, size); \
  }
PELMORA_DEFINE_RESIZE(uint32)
PELMORA_DEFINE_RESIZE(float)
#undef PELMORA_DEFINE_RESIZE

// The six accessors of one sequence field. get and get_const only compute an
// address (element `size` is a valid end pointer); fetch and assign touch the
// element, so an index past the end stops the program instead of reading or
// writing memory that is not the sequence's.
#define PELMORA_DEFINE_ACCESSORS(field, type, element) \
  size_t ACCESSOR(size, field)(const void * member) \
  { \
    return ((const rosidl_runtime_c__ ## type ## __Sequence *)member)->size; \
  } \
  const void * ACCESSOR(get_const, field)(const void * member, size_t index) \
  { \
    return ((const rosidl_runtime_c__ ## type ## __Sequence *)member)->data + index; \
  } \
  void * ACCESSOR(get, field)(void * member, size_t index) \
  { \
    return ((rosidl_runtime_c__ ## type ## __Sequence *)member)->data + index; \
  } \
  void ACCESSOR(fetch, field)(const void * member, size_t index, void * value) \
  { \
    assert(index < ACCESSOR(size, field)(member)); \
    memcpy(value, ACCESSOR(get_const, field)(member, index), sizeof(element)); \
  } \
  void ACCESSOR(assign, field)(void * member, size_t index, const void * value) \
  { \
    assert(index < ACCESSOR(size, field)(member)); \
    memcpy(ACCESSOR(get, field)(member, index), value, sizeof(element)); \
  } \
  bool ACCESSOR(resize, field)(void * member, size_t size) \
  { \
    return resize_ ## type ## _sequence(member, size); \
  }
#define PELMORA_DEFINE_UINT32_ACCESSORS(field) PELMORA_DEFINE_ACCESSORS(field, uint32, uint32_t)
#define PELMORA_DEFINE_FLOAT_ACCESSORS(field) PELMORA_DEFINE_ACCESSORS(field, float, float)
PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_DEFINE_UINT32_ACCESSORS, PELMORA_DEFINE_FLOAT_ACCESSORS)
#undef PELMORA_DEFINE_FLOAT_ACCESSORS
#undef PELMORA_DEFINE_UINT32_ACCESSORS
#undef PELMORA_DEFINE_ACCESSORS

#define PELMORA_SCALAR_MEMBER(field) \
  { \
    .name_ = #field, \
    .type_id_ = rosidl_typesupport_introspection_c__ROS_TYPE_UINT32, \
    .is_array_ = false, \
    .offset_ = offsetof(pelmora__msg__Features, field), \
  },
// A sequence is an unbounded array: array_size_ 0, is_upper_bound_ false.
#define PELMORA_SEQUENCE_MEMBER(field, type_id) \
  { \
    .name_ = #field, \
    .type_id_ = type_id, \
    .is_array_ = true, \
    .offset_ = offsetof(pelmora__msg__Features, field), \
    .size_function = ACCESSOR(size, field), \
    .get_const_function = ACCESSOR(get_const, field), \
    .get_function = ACCESSOR(get, field), \
    .fetch_function = ACCESSOR(fetch, field), \
    .assign_function = ACCESSOR(assign, field), \
    .resize_function = ACCESSOR(resize, field), \
  },
#define PELMORA_UINT32_MEMBER(field) \
  PELMORA_SEQUENCE_MEMBER(field, rosidl_typesupport_introspection_c__ROS_TYPE_UINT32)
#define PELMORA_FLOAT_MEMBER(field) \
  PELMORA_SEQUENCE_MEMBER(field, rosidl_typesupport_introspection_c__ROS_TYPE_FLOAT)

// Record order. Members left out of the initialisers are zero: no string
// bound, no nested message, no default value, no accessors for scalars.
static rosidl_typesupport_introspection_c__MessageMember Features_member_table[10] = {
  PELMORA__MSG__FEATURES__SCALAR_FIELDS(PELMORA_SCALAR_MEMBER)
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_UINT32_MEMBER, PELMORA_FLOAT_MEMBER)
};
#undef PELMORA_FLOAT_MEMBER
#undef PELMORA_UINT32_MEMBER
#undef PELMORA_SEQUENCE_MEMBER
#undef PELMORA_SCALAR_MEMBER

static const rosidl_typesupport_introspection_c__MessageMembers Features_members_record = {
  .message_namespace_ = "pelmora__msg",
  .message_name_ = "Features",
  .member_count_ = 10,
  .size_of_ = sizeof(pelmora__msg__Features),
  .members_ = Features_member_table,
  .init_function = pelmora__msg__Features__rosidl_typesupport_introspection_c__Features_init_function,
  .fini_function = pelmora__msg__Features__rosidl_typesupport_introspection_c__Features_fini_function,
};

static rosidl_message_type_support_t Features_introspection_handle = {
  .typesupport_identifier = NULL,  // set by the first call below
  .data = &Features_members_record,
  .func = get_message_typesupport_handle_function,
};

static pthread_once_t Features_identifier_once = PTHREAD_ONCE_INIT;

static void Features_set_identifier(void)
{
  Features_introspection_handle.typesupport_identifier = rosidl_typesupport_introspection_c__identifier;
}

// Unlike the package's other handles, which a constructor completes when
// their library is loaded, this one is completed by the first call of its
// handle function, and its identifier reads null until then. That is the
// interface this library promises (its tests hold it to it), and a choice
// rather than a limit of C: the C dispatcher sets its identifier from a
// constructor. What it keeps is that loading the library runs none of its
// code; the one write happens on behalf of the first caller who asks.
// pthread_once makes that first call safe to race: the identifier is written
// exactly once, and every caller returns only after that write, so none sees
// the handle half made.
const rosidl_message_type_support_t *
rosidl_typesupport_introspection_c__get_message_type_support_handle__pelmora__msg__Features(void)
{
  pthread_once(&Features_identifier_once, Features_set_identifier);
  return &Features_introspection_handle;
}
