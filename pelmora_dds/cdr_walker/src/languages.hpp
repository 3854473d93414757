// The two member-table languages, each behind one factory.
#ifndef PELMORA_CDR_WALKER__LANGUAGES_HPP_
#define PELMORA_CDR_WALKER__LANGUAGES_HPP_

#include <memory>
#include <string>

#include "pelmora_cdr_walker/walker.hpp"

namespace pelmora_cdr_walker
{

/// `members` is a rosidl_typesupport_introspection_c__MessageMembers.
std::unique_ptr<Codec> make_c_codec(const void * members, std::string * error);
/// `members` is a rosidl_typesupport_introspection_cpp::MessageMembers.
std::unique_ptr<Codec> make_cpp_codec(const void * members, std::string * error);

}  // namespace pelmora_cdr_walker

#endif  // PELMORA_CDR_WALKER__LANGUAGES_HPP_
