// The names the keystore takes from its user: enclave names and the ROS
// topic names of permissions.
#ifndef PELMORA_DDS__SECURITY__NAMES_HPP_
#define PELMORA_DDS__SECURITY__NAMES_HPP_

#include <string>

namespace pelmora_dds::security
{

/// Empty when `name` is a valid enclave name: "/" or "/" followed by tokens
/// of letters, digits and underscores joined by "/", no token starting with
/// a digit. Otherwise why it is not.
std::string enclave_name_problem(const std::string & name);

/// The DDS topic expression of the permissions for ROS topic `name`, which
/// a node in the root namespace would publish on: "features" and "/features"
/// both give "rt/features". The wildcards * and ? may stand in tokens.
/// Empty when the name is not valid; `problem` then says why.
std::string permission_topic(const std::string & name, std::string * problem);

}  // namespace pelmora_dds::security

#endif  // PELMORA_DDS__SECURITY__NAMES_HPP_
