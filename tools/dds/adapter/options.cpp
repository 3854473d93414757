#include "pelmora_dds/options.hpp"

#include "pelmora_dds/ros_names.hpp"

namespace pelmora_dds
{

const char * to_string(QosOptions::Reliability value)
{
  switch (value) {
    case QosOptions::Reliability::reliable: return "reliable";
    case QosOptions::Reliability::best_effort: return "best_effort";
    case QosOptions::Reliability::system_default: break;
  }
  return "system_default";
}

const char * to_string(QosOptions::Durability value)
{
  switch (value) {
    case QosOptions::Durability::volatile_: return "volatile";
    case QosOptions::Durability::transient_local: return "transient_local";
    case QosOptions::Durability::system_default: break;
  }
  return "system_default";
}

const char * to_string(QosOptions::History value)
{
  switch (value) {
    case QosOptions::History::keep_last: return "keep_last";
    case QosOptions::History::keep_all: return "keep_all";
    case QosOptions::History::system_default: break;
  }
  return "system_default";
}

const char * to_string(TransportOptions::Kind value)
{
  switch (value) {
    case TransportOptions::Kind::shm: return "shm";
    case TransportOptions::Kind::udp: return "udp";
    case TransportOptions::Kind::builtin: break;
  }
  return "default";
}

std::string describe(const EndpointOptions & options)
{
  std::string text = dds_topic_name(options.topic) + ", domain " + std::to_string(options.domain) +
    ", " + to_string(options.qos.reliability) + ", " + to_string(options.qos.durability) + ", " +
    to_string(options.qos.history);
  if (options.qos.history == QosOptions::History::keep_last) {
    text += " " + std::to_string(options.qos.depth);
  }
  if (options.qos.liveliness_lease_ms != 0) {
    text += ", liveliness lease " + std::to_string(options.qos.liveliness_lease_ms) + " ms";
  }
  text += ", transport " + std::string(to_string(options.transport.kind));
  if (!options.transport.discovery_servers.empty()) {
    text += ", discovery server " + options.transport.discovery_servers;
  }
  if (options.transport.localhost_only) {
    text += ", localhost only";
  }
  if (options.security.enabled) {
    text += ", secured as enclave " + options.security.enclave_used;
  }
  return text;
}

}  // namespace pelmora_dds
