#ifndef PELMORA__MSG__ROSIDL_TYPESUPPORT_INTROSPECTION_C__VISIBILITY_CONTROL_H_
#define PELMORA__MSG__ROSIDL_TYPESUPPORT_INTROSPECTION_C__VISIBILITY_CONTROL_H_

// Marks the functions that libpelmora__rosidl_typesupport_introspection_c
// exports; the library is built with hidden visibility, so nothing else
// leaves it.
#define ROSIDL_TYPESUPPORT_INTROSPECTION_C_PUBLIC_pelmora __attribute__((visibility("default")))

#endif  // PELMORA__MSG__ROSIDL_TYPESUPPORT_INTROSPECTION_C__VISIBILITY_CONTROL_H_
