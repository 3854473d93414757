// The identifier itself comes from Debian's static archive, linked whole into
// this library so that every library of a process shares one definition.
#include "rosidl_typesupport_introspection_c/identifier.h"
