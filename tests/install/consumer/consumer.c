// A user program built against the installed package only.
#include <stdio.h>

#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

int main(void)
{
  pelmora__msg__Features * original = pelmora__msg__Features__create();
  pelmora__msg__Features * copy = pelmora__msg__Features__create();
  if (!original || !copy) {
    return 1;
  }
  original->keypointnumber = 2;
  if (!rosidl_runtime_c__float__Sequence__init(&original->x, 2)) {
    return 1;
  }
  original->x.data[1] = 0.25f;
  int ok = pelmora__msg__Features__copy(original, copy) &&
    pelmora__msg__Features__are_equal(original, copy);
  pelmora__msg__Features__destroy(original);
  pelmora__msg__Features__destroy(copy);
  puts(ok ? "installed package works" : "copy differs");
  return ok ? 0 : 1;
}
