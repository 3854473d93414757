// Security settings turned into the participant properties of Fast DDS's
// builtin plugins: PKI-DH authentication, Access-Permissions access control
// and AES-GCM-GMAC cryptography.
#ifndef PELMORA_DDS__FASTDDS__SECURITY_HPP_
#define PELMORA_DDS__FASTDDS__SECURITY_HPP_

#include <fastdds/dds/domain/qos/DomainParticipantQos.hpp>

#include "pelmora_dds/options.hpp"

namespace pelmora_dds
{
namespace fastdds
{

/// Adds the plugin properties for `security` to `qos`; nothing when
/// security is not enabled.
void apply_security(
  const SecuritySettings & security, eprosima::fastdds::dds::DomainParticipantQos * qos);

}  // namespace fastdds
}  // namespace pelmora_dds

#endif  // PELMORA_DDS__FASTDDS__SECURITY_HPP_
