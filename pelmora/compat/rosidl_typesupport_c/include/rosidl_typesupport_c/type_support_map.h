#ifndef ROSIDL_TYPESUPPORT_C__TYPE_SUPPORT_MAP_H_
#define ROSIDL_TYPESUPPORT_C__TYPE_SUPPORT_MAP_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C"
{
#endif

/// The table a dispatcher handle points to: one entry per type support that
/// can be loaded by identifier. `data` holds one writable slot per entry,
/// owned by the look-up function (it caches the loaded library there).
typedef struct type_support_map_t
{
  const size_t size;
  const char * package_name;
  const char * const * typesupport_identifier;
  const char * const * symbol_name;
  void ** data;
} type_support_map_t;

#ifdef __cplusplus
}
#endif

#endif  // ROSIDL_TYPESUPPORT_C__TYPE_SUPPORT_MAP_H_
