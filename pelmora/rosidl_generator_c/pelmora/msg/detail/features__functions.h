#ifndef PELMORA__MSG__DETAIL__FEATURES__FUNCTIONS_H_
#define PELMORA__MSG__DETAIL__FEATURES__FUNCTIONS_H_

#include <stdbool.h>
#include <stddef.h>

#include "pelmora/msg/detail/features__struct.h"
#include "pelmora/msg/rosidl_generator_c__visibility_control.h"

#ifdef __cplusplus
extern "C"
{
#endif

/// Makes the eight sequences empty; the scalars keep what the storage held.
/// On failure the whole record is finalised and false is returned.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
bool pelmora__msg__Features__init(pelmora__msg__Features * msg);

/// Releases the storage of the eight sequences (not the record itself).
ROSIDL_GENERATOR_C_PUBLIC_pelmora
void pelmora__msg__Features__fini(pelmora__msg__Features * msg);

/// A new initialised record from the default allocator (scalars 0), or null.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
pelmora__msg__Features * pelmora__msg__Features__create(void);

/// Finalises and frees a record made by create; null is allowed.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
void pelmora__msg__Features__destroy(pelmora__msg__Features * msg);

/// True when all ten fields are equal; false when either side is null.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
bool pelmora__msg__Features__are_equal(
  const pelmora__msg__Features * lhs, const pelmora__msg__Features * rhs);

/// Deep copy into an initialised output; false on null or allocation failure.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
bool pelmora__msg__Features__copy(
  const pelmora__msg__Features * input, pelmora__msg__Features * output);

/// Makes `size` initialised elements (none allocated for 0).
ROSIDL_GENERATOR_C_PUBLIC_pelmora
bool pelmora__msg__Features__Sequence__init(
  pelmora__msg__Features__Sequence * array, size_t size);

/// Finalises every element up to `capacity` and frees the block.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
void pelmora__msg__Features__Sequence__fini(pelmora__msg__Features__Sequence * array);

/// A new sequence of `size` initialised elements, or null.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
pelmora__msg__Features__Sequence * pelmora__msg__Features__Sequence__create(size_t size);

/// Finalises and frees a sequence made by create; null is allowed.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
void pelmora__msg__Features__Sequence__destroy(pelmora__msg__Features__Sequence * array);

/// True when both hold the same number of equal elements.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
bool pelmora__msg__Features__Sequence__are_equal(
  const pelmora__msg__Features__Sequence * lhs, const pelmora__msg__Features__Sequence * rhs);

/// Copies every element; the output grows to exactly the input's size when
/// needed and never shrinks.
ROSIDL_GENERATOR_C_PUBLIC_pelmora
bool pelmora__msg__Features__Sequence__copy(
  const pelmora__msg__Features__Sequence * input, pelmora__msg__Features__Sequence * output);

#ifdef __cplusplus
}
#endif

#endif  // PELMORA__MSG__DETAIL__FEATURES__FUNCTIONS_H_
