// The two XML documents of DDS access control: the governance of a domain
// and the permissions of one enclave, in the shape the builtin
// Access-Permissions plugins read.
#ifndef PELMORA_DDS__SECURITY__DOCUMENTS_HPP_
#define PELMORA_DDS__SECURITY__DOCUMENTS_HPP_

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "security/credentials.hpp"

namespace pelmora_dds::security
{

/// Governance of domain `domain`: only authenticated participants whose
/// permissions let them join; discovery, liveliness and the data of every
/// topic encrypted, every RTPS message signed, reads and writes checked
/// against each participant's permissions.
std::string governance_document(uint32_t domain);

/// What one enclave may do. Topics are DDS topic expressions (rt/...), which
/// may hold the wildcards * and ?.
struct Grant
{
  std::string enclave;
  Validity validity;
  uint32_t domain = 0;
  std::vector<std::string> publish;
  std::vector<std::string> subscribe;
};

/// Permissions of `grant`: the subject "CN=<enclave>", the validity, one rule
/// allowing the topics given, one for the ROS graph topic, and deny for
/// everything else.
std::string permissions_document(const Grant & grant);

/// `when` as the ISO 8601 UTC date-time the documents use (2026-01-31T23:59:59).
std::string iso8601(std::time_t when);

}  // namespace pelmora_dds::security

#endif  // PELMORA_DDS__SECURITY__DOCUMENTS_HPP_
