// The Fast-CDR type support of a tool side's language, as a middleware asks
// the dispatcher for it.
#ifndef PELMORA_TESTS__CDR_IDENTIFIER_HPP_
#define PELMORA_TESTS__CDR_IDENTIFIER_HPP_

#include <string>

#include "sides.hpp"

inline std::string cdr_identifier(const pelmora_dds::Side & side)
{
  return std::string("rosidl_typesupport_fastrtps_") + side.name;
}

#endif  // PELMORA_TESTS__CDR_IDENTIFIER_HPP_
