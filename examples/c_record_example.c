// Creates, fills, copies, compares and destroys Features records.
#include <stdio.h>

#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

int main(void)
{
  pelmora__msg__Features * frame = pelmora__msg__Features__create();
  pelmora__msg__Features * copy = pelmora__msg__Features__create();
  if (!frame || !copy) {
    return 1;
  }
  const size_t keypoints = 1000;
  frame->keypointnumber = (uint32_t)keypoints;
  frame->descriptorsize = 8;
  if (!rosidl_runtime_c__uint32__Sequence__init(&frame->descriptor, keypoints * 8) ||
    !rosidl_runtime_c__float__Sequence__init(&frame->x, keypoints))
  {
    return 1;
  }
  for (size_t i = 0; i < keypoints; ++i) {
    frame->x.data[i] = (float)i * 0.5f;
  }
  for (size_t i = 0; i < keypoints * 8; ++i) {
    frame->descriptor.data[i] = (uint32_t)(i * 2654435761u);
  }
  int ok = pelmora__msg__Features__copy(frame, copy) && pelmora__msg__Features__are_equal(frame, copy);
  printf("record with %zu keypoints copied: %s\n", keypoints, ok ? "equal" : "DIFFERENT");
  pelmora__msg__Features__destroy(frame);
  pelmora__msg__Features__destroy(copy);
  return ok ? 0 : 1;
}
