#include "pelmora/msg/detail/features__functions.h"

#include <assert.h>
#include <string.h>

#include "pelmora/msg/detail/features__fields.h"
#include "rcutils/allocator.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

bool pelmora__msg__Features__init(pelmora__msg__Features * msg)
{
  if (!msg) {
    return false;
  }
  // On failure only the sequences already initialised are finalised: the
  // later ones may still hold whatever the caller's storage held.
  int initialised = 0;
#define PELMORA_INIT(type, field) \
  if (!rosidl_runtime_c__ ## type ## __Sequence__init(&msg->field, 0)) { \
    goto fail; \
  } \
  ++initialised;
#define PELMORA_INIT_UINT32(field) PELMORA_INIT(uint32, field)
#define PELMORA_INIT_FLOAT(field) PELMORA_INIT(float, field)
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_INIT_UINT32, PELMORA_INIT_FLOAT)
#undef PELMORA_INIT_FLOAT
#undef PELMORA_INIT_UINT32
#undef PELMORA_INIT
  return true;

fail:
  {
    int index = 0;
#define PELMORA_FINI(type, field) \
  if (index++ < initialised) { \
    rosidl_runtime_c__ ## type ## __Sequence__fini(&msg->field); \
  }
#define PELMORA_FINI_UINT32(field) PELMORA_FINI(uint32, field)
#define PELMORA_FINI_FLOAT(field) PELMORA_FINI(float, field)
    PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_FINI_UINT32, PELMORA_FINI_FLOAT)
#undef PELMORA_FINI_FLOAT
#undef PELMORA_FINI_UINT32
#undef PELMORA_FINI
  }
  return false;
}

void pelmora__msg__Features__fini(pelmora__msg__Features * msg)
{
  if (!msg) {
    return;
  }
#define PELMORA_FINI_UINT32(field) rosidl_runtime_c__uint32__Sequence__fini(&msg->field);
#define PELMORA_FINI_FLOAT(field) rosidl_runtime_c__float__Sequence__fini(&msg->field);
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_FINI_UINT32, PELMORA_FINI_FLOAT)
#undef PELMORA_FINI_FLOAT
#undef PELMORA_FINI_UINT32
}

pelmora__msg__Features * pelmora__msg__Features__create(void)
{
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  pelmora__msg__Features * msg =
    (pelmora__msg__Features *)allocator.allocate(sizeof(pelmora__msg__Features), allocator.state);
  if (!msg) {
    return NULL;
  }
  memset(msg, 0, sizeof(pelmora__msg__Features));
  if (!pelmora__msg__Features__init(msg)) {
    allocator.deallocate(msg, allocator.state);
    return NULL;
  }
  return msg;
}

void pelmora__msg__Features__destroy(pelmora__msg__Features * msg)
{
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  if (msg) {
    pelmora__msg__Features__fini(msg);
  }
  allocator.deallocate(msg, allocator.state);
}

bool pelmora__msg__Features__are_equal(
  const pelmora__msg__Features * lhs, const pelmora__msg__Features * rhs)
{
  if (!lhs || !rhs) {
    return false;
  }
  if (lhs->keypointnumber != rhs->keypointnumber) {
    return false;
  }
  if (lhs->descriptorsize != rhs->descriptorsize) {
    return false;
  }
#define PELMORA_EQUAL(type, field) \
  if (!rosidl_runtime_c__ ## type ## __Sequence__are_equal(&lhs->field, &rhs->field)) { \
    return false; \
  }
#define PELMORA_EQUAL_UINT32(field) PELMORA_EQUAL(uint32, field)
#define PELMORA_EQUAL_FLOAT(field) PELMORA_EQUAL(float, field)
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_EQUAL_UINT32, PELMORA_EQUAL_FLOAT)
#undef PELMORA_EQUAL_FLOAT
#undef PELMORA_EQUAL_UINT32
#undef PELMORA_EQUAL
  return true;
}

bool pelmora__msg__Features__copy(
  const pelmora__msg__Features * input, pelmora__msg__Features * output)
{
  if (!input || !output) {
    return false;
  }
  output->keypointnumber = input->keypointnumber;
  output->descriptorsize = input->descriptorsize;
#define PELMORA_COPY(type, field) \
  if (!rosidl_runtime_c__ ## type ## __Sequence__copy(&input->field, &output->field)) { \
    return false; \
  }
#define PELMORA_COPY_UINT32(field) PELMORA_COPY(uint32, field)
#define PELMORA_COPY_FLOAT(field) PELMORA_COPY(float, field)
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_COPY_UINT32, PELMORA_COPY_FLOAT)
#undef PELMORA_COPY_FLOAT
#undef PELMORA_COPY_UINT32
#undef PELMORA_COPY
  return true;
}

bool pelmora__msg__Features__Sequence__init(
  pelmora__msg__Features__Sequence * array, size_t size)
{
  if (!array) {
    return false;
  }
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  pelmora__msg__Features * data = NULL;
  if (size) {
    data = (pelmora__msg__Features *)allocator.zero_allocate(
      size, sizeof(pelmora__msg__Features), allocator.state);
    if (!data) {
      return false;
    }
    for (size_t i = 0; i < size; ++i) {
      if (!pelmora__msg__Features__init(&data[i])) {
        // Element i has finalised itself; roll back the earlier ones, newest first.
        while (i > 0) {
          pelmora__msg__Features__fini(&data[--i]);
        }
        allocator.deallocate(data, allocator.state);
        return false;
      }
    }
  }
  array->data = data;
  array->size = size;
  array->capacity = size;
  return true;
}

void pelmora__msg__Features__Sequence__fini(pelmora__msg__Features__Sequence * array)
{
  if (!array) {
    return;
  }
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  if (array->data) {
    assert(array->capacity > 0);
    // Every allocated element is initialised, including those beyond size.
    for (size_t i = 0; i < array->capacity; ++i) {
      pelmora__msg__Features__fini(&array->data[i]);
    }
    allocator.deallocate(array->data, allocator.state);
    array->data = NULL;
    array->size = 0;
    array->capacity = 0;
  } else {
    assert(0 == array->size);
    assert(0 == array->capacity);
  }
}

pelmora__msg__Features__Sequence * pelmora__msg__Features__Sequence__create(size_t size)
{
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  pelmora__msg__Features__Sequence * array = (pelmora__msg__Features__Sequence *)allocator.allocate(
    sizeof(pelmora__msg__Features__Sequence), allocator.state);
  if (!array) {
    return NULL;
  }
  if (!pelmora__msg__Features__Sequence__init(array, size)) {
    allocator.deallocate(array, allocator.state);
    return NULL;
  }
  return array;
}

void pelmora__msg__Features__Sequence__destroy(pelmora__msg__Features__Sequence * array)
{
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  if (array) {
    pelmora__msg__Features__Sequence__fini(array);
  }
  allocator.deallocate(array, allocator.state);
}

bool pelmora__msg__Features__Sequence__are_equal(
  const pelmora__msg__Features__Sequence * lhs, const pelmora__msg__Features__Sequence * rhs)
{
  if (!lhs || !rhs) {
    return false;
  }
  if (lhs->size != rhs->size) {
    return false;
  }
  for (size_t i = 0; i < lhs->size; ++i) {
    if (!pelmora__msg__Features__are_equal(&lhs->data[i], &rhs->data[i])) {
      return false;
    }
  }
  return true;
}

// Grows the output to exactly `size` initialised elements. On failure the
// output keeps its old capacity, size and elements (possibly in a new block).
static bool pelmora__msg__Features__Sequence__grow(
  pelmora__msg__Features__Sequence * output, size_t size)
{
  rcutils_allocator_t allocator = rcutils_get_default_allocator();
  pelmora__msg__Features * data = (pelmora__msg__Features *)allocator.reallocate(
    output->data, size * sizeof(pelmora__msg__Features), allocator.state);
  if (!data) {
    return false;
  }
  output->data = data;
  for (size_t i = output->capacity; i < size; ++i) {
    if (!pelmora__msg__Features__init(&data[i])) {
      while (i > output->capacity) {
        pelmora__msg__Features__fini(&data[--i]);
      }
      return false;
    }
  }
  output->capacity = size;
  return true;
}

bool pelmora__msg__Features__Sequence__copy(
  const pelmora__msg__Features__Sequence * input, pelmora__msg__Features__Sequence * output)
{
  if (!input || !output) {
    return false;
  }
  if (output->capacity < input->size &&
    !pelmora__msg__Features__Sequence__grow(output, input->size))
  {
    return false;
  }
  output->size = input->size;
  for (size_t i = 0; i < input->size; ++i) {
    if (!pelmora__msg__Features__copy(&input->data[i], &output->data[i])) {
      return false;
    }
  }
  return true;
}
