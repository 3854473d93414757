#ifndef PELMORA__MSG__ROSIDL_GENERATOR_C__VISIBILITY_CONTROL_H_
#define PELMORA__MSG__ROSIDL_GENERATOR_C__VISIBILITY_CONTROL_H_

// Marks the functions that libpelmora__rosidl_generator_c exports; the
// library is built with hidden visibility, so nothing else leaves it.
#define ROSIDL_GENERATOR_C_PUBLIC_pelmora __attribute__((visibility("default")))

#endif  // PELMORA__MSG__ROSIDL_GENERATOR_C__VISIBILITY_CONTROL_H_
