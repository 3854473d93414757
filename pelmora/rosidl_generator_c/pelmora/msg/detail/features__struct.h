#ifndef PELMORA__MSG__DETAIL__FEATURES__STRUCT_H_
#define PELMORA__MSG__DETAIL__FEATURES__STRUCT_H_

#include <stdint.h>

#include "rosidl_runtime_c/primitives_sequence.h"

#ifdef __cplusplus
extern "C"
{
#endif

/// Image keypoint features: two counts and eight independent sequences.
/// The field order is the wire order and the introspection order.
typedef struct pelmora__msg__Features
{
  uint32_t keypointnumber;
  uint32_t descriptorsize;
  rosidl_runtime_c__uint32__Sequence descriptor;
  rosidl_runtime_c__uint32__Sequence uniqueid;
  rosidl_runtime_c__uint32__Sequence isrightimage;
  rosidl_runtime_c__uint32__Sequence patternzise;
  rosidl_runtime_c__uint32__Sequence confidence;
  rosidl_runtime_c__float__Sequence x;
  rosidl_runtime_c__float__Sequence y;
  rosidl_runtime_c__float__Sequence angle;
} pelmora__msg__Features;

/// A counted array of records. Every element up to `capacity` is initialised.
typedef struct pelmora__msg__Features__Sequence
{
  pelmora__msg__Features * data;
  size_t size;
  size_t capacity;
} pelmora__msg__Features__Sequence;

#ifdef __cplusplus
}
#endif

#endif  // PELMORA__MSG__DETAIL__FEATURES__STRUCT_H_
