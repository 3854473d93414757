// Security settings turned into the participant properties of Cyclone DDS's
// security plugins (Debian ships them as dds_security_auth, _ac and _crypto
// beside libddsc, which finds them by those names).
#ifndef PELMORA_DDS__CYCLONEDDS__SECURITY_HPP_
#define PELMORA_DDS__CYCLONEDDS__SECURITY_HPP_

#include <dds/dds.h>

#include "pelmora_dds/options.hpp"

namespace pelmora_dds
{
namespace cyclonedds
{

/// A participant QoS holding the plugin properties for `security`, owned by
/// the caller (dds_delete_qos); null when security is not enabled.
dds_qos_t * participant_qos(const SecuritySettings & security);

}  // namespace cyclonedds
}  // namespace pelmora_dds

#endif  // PELMORA_DDS__CYCLONEDDS__SECURITY_HPP_
