// A user program built against the installed package only, run without
// LD_LIBRARY_PATH: the libraries, the private stand-ins and the type support
// that the dispatcher loads by name must all be found from the install.
#include <stdio.h>
#include <string.h>

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

  const rosidl_message_type_support_t * dispatcher =
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
  const rosidl_message_type_support_t * cdr =
    dispatcher->func(dispatcher, "rosidl_typesupport_fastrtps_c");
  ok = ok && cdr && strcmp(cdr->typesupport_identifier, "rosidl_typesupport_fastrtps_c") == 0;

  puts(ok ? "installed package works" : "installed package FAILED");
  return ok ? 0 : 1;
}
