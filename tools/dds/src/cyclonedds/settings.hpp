// Everything a Cyclone DDS participant of the tool is configured from.
#ifndef PELMORA_DDS__CYCLONEDDS__SETTINGS_HPP_
#define PELMORA_DDS__CYCLONEDDS__SETTINGS_HPP_

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora_dds_cyclonedds
{

struct Settings
{
  uint32_t domain = 0;
  /// DDS topic name, already mapped from the ROS name ("rt/...").
  std::string dds_topic;
  /// Interfaces the participant may use, by address or by name. The
  /// default keeps all traffic on loopback.
  std::vector<std::string> interfaces{"127.0.0.1"};
  /// Unicast discovery targets, "host" or "host:port".
  std::vector<std::string> peers{"127.0.0.1"};
  bool multicast = false;
  /// Samples each writer and reader keeps (keep-all within this many).
  int32_t history_depth = 16;
  bool reliable = true;
  bool transient_local = true;
};

/// The Cyclone configuration (XML) for `settings`: the interface
/// whitelist, multicast on or off, the peers, the domain.
std::string config_xml(const Settings & settings);

}  // namespace pelmora_dds_cyclonedds

#endif  // PELMORA_DDS__CYCLONEDDS__SETTINGS_HPP_
