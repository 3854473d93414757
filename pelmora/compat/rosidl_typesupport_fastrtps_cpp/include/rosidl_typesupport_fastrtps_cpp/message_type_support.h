#ifndef ROSIDL_TYPESUPPORT_FASTRTPS_CPP__MESSAGE_TYPE_SUPPORT_H_
#define ROSIDL_TYPESUPPORT_FASTRTPS_CPP__MESSAGE_TYPE_SUPPORT_H_

#include <stddef.h>
#include <stdint.h>

#include "fastcdr/Cdr.h"
#include "rosidl_runtime_c/message_type_support_struct.h"

/// The callbacks record behind a Fast-CDR type-support handle; its layout is
/// the ABI that middlewares read.
typedef struct message_type_support_callbacks_t
{
  const char * message_namespace_;
  const char * message_name_;
  bool (* cdr_serialize)(const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr);
  bool (* cdr_deserialize)(eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message);
  uint32_t (* get_serialized_size)(const void * untyped_ros_message);
  size_t (* max_serialized_size)(char & bounds_info);
} message_type_support_callbacks_t;

#endif  // ROSIDL_TYPESUPPORT_FASTRTPS_CPP__MESSAGE_TYPE_SUPPORT_H_
