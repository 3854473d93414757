#include "fastdds/security.hpp"

#include <string>

namespace pelmora_dds
{
namespace fastdds
{

void apply_security(
  const SecuritySettings & security, eprosima::fastdds::dds::DomainParticipantQos * qos)
{
  if (!security.enabled) {
    return;
  }
  // Fast DDS opens only file URIs; the paths are absolute, so "file://"
  // followed by the path gives file:///...
  auto uri = [](const std::string & path) {return "file://" + path;};
  const SecurityFiles & f = security.files;
  auto & properties = qos->properties().properties();
  const std::string auth = "dds.sec.auth.builtin.PKI-DH.";
  const std::string access = "dds.sec.access.builtin.Access-Permissions.";
  properties.emplace_back("dds.sec.auth.plugin", "builtin.PKI-DH");
  properties.emplace_back(auth + "identity_ca", uri(f.identity_ca));
  properties.emplace_back(auth + "identity_certificate", uri(f.certificate));
  properties.emplace_back(auth + "private_key", uri(f.private_key));
  properties.emplace_back("dds.sec.access.plugin", "builtin.Access-Permissions");
  properties.emplace_back(access + "permissions_ca", uri(f.permissions_ca));
  properties.emplace_back(access + "governance", uri(f.governance));
  properties.emplace_back(access + "permissions", uri(f.permissions));
  properties.emplace_back("dds.sec.crypto.plugin", "builtin.AES-GCM-GMAC");
}

}  // namespace fastdds
}  // namespace pelmora_dds
