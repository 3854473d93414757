#ifndef PELMORA__MSG__FEATURES_HPP_
#define PELMORA__MSG__FEATURES_HPP_

// The C++ message pelmora::msg::Features, its builder, its traits and YAML
// printer, and the declaration of its type-support handle
// (libpelmora__rosidl_typesupport_cpp).
#include "pelmora/msg/detail/features__builder.hpp"
#include "pelmora/msg/detail/features__struct.hpp"
#include "pelmora/msg/detail/features__traits.hpp"
#include "pelmora/msg/detail/features__type_support.hpp"

#endif  // PELMORA__MSG__FEATURES_HPP_
