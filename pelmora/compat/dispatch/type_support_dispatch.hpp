#ifndef PELMORA_COMPAT__TYPE_SUPPORT_DISPATCH_HPP_
#define PELMORA_COMPAT__TYPE_SUPPORT_DISPATCH_HPP_

#include "rosidl_runtime_c/message_type_support_struct.h"

namespace pelmora_compat
{

/// The look-up behind a dispatcher handle whose data is a type_support_map_t.
///
/// Returns `handle` when `identifier` equals its own identifier. Otherwise
/// finds the map entry with that identifier, loads
/// lib<package>__<identifier>.so on first use (caching the library in the
/// entry's data slot), resolves the entry's symbol and returns what it
/// returns. Null, with an rcutils error message, when the identifier, the
/// library or the symbol is unknown.
const rosidl_message_type_support_t * dispatch(
  const rosidl_message_type_support_t * handle, const char * identifier,
  const char * own_identifier);

}  // namespace pelmora_compat

#endif  // PELMORA_COMPAT__TYPE_SUPPORT_DISPATCH_HPP_
