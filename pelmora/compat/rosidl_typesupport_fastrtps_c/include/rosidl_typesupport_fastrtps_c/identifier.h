#ifndef ROSIDL_TYPESUPPORT_FASTRTPS_C__IDENTIFIER_H_
#define ROSIDL_TYPESUPPORT_FASTRTPS_C__IDENTIFIER_H_

#include "rosidl_typesupport_fastrtps_c/visibility_control.h"

#ifdef __cplusplus
extern "C"
{
#endif

ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC
extern const char * rosidl_typesupport_fastrtps_c__identifier;

#ifdef __cplusplus
}
#endif

#endif  // ROSIDL_TYPESUPPORT_FASTRTPS_C__IDENTIFIER_H_
