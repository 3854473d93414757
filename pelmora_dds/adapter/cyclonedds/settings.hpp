// EndpointOptions turned into Cyclone DDS terms: the participant's
// configuration (XML) and the QoS of a writer or reader.
#ifndef PELMORA_DDS__CYCLONEDDS__SETTINGS_HPP_
#define PELMORA_DDS__CYCLONEDDS__SETTINGS_HPP_

#include <cstdint>
#include <string>
#include <vector>

#include <dds/dds.h>

#include "pelmora_dds/options.hpp"

namespace pelmora_dds
{
namespace cyclonedds
{

/// What the participant's configuration is made from.
struct ParticipantSettings
{
  uint32_t domain = 0;
  /// Interfaces by address or name; empty lets Cyclone choose.
  std::vector<std::string> interfaces;
  /// Unicast discovery targets, "host" or "host:port".
  std::vector<std::string> peers;
  bool multicast = true;
};

/// The participant settings `options` ask for, or why Cyclone cannot give
/// them (shared memory without iceoryx, a discovery server).
std::string participant_settings(const EndpointOptions & options, ParticipantSettings * out);

/// Cyclone's configuration for `settings`, as XML.
std::string config_xml(const ParticipantSettings & settings);

/// Reliability, durability and history as ROS sets them; `system_default`
/// policies stay Cyclone's. Plain CDR (XCDR1), as ROS 2 peers send it.
dds_qos_t * endpoint_qos(const QosOptions & ros, uint32_t largest_sample);

}  // namespace cyclonedds
}  // namespace pelmora_dds

#endif  // PELMORA_DDS__CYCLONEDDS__SETTINGS_HPP_
