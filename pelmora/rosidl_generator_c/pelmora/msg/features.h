#ifndef PELMORA__MSG__FEATURES_H_
#define PELMORA__MSG__FEATURES_H_

#include "pelmora/msg/detail/features__struct.h"
#include "pelmora/msg/detail/features__functions.h"
#include "pelmora/msg/detail/features__type_support.h"

#endif  // PELMORA__MSG__FEATURES_H_
