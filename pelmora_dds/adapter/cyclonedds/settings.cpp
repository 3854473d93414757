#include "cyclonedds/settings.hpp"

#include <algorithm>
#include <cctype>

#include "backend_common.hpp"

namespace pelmora_dds
{
namespace cyclonedds
{

namespace
{

std::string escaped(const std::string & text)
{
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// Cyclone takes an interface by address or by name, in different
// attributes; an IPv4 address starts with a digit.
std::string interface_element(const std::string & interface)
{
  const bool address = !interface.empty() && std::isdigit(static_cast<unsigned char>(interface[0]));
  return std::string("<NetworkInterface ") + (address ? "address" : "name") + "=\"" +
         escaped(interface) + "\"/>";
}

}  // namespace

std::string participant_settings(const EndpointOptions & options, ParticipantSettings * out)
{
  const TransportOptions & t = options.transport;
  if (t.kind == TransportOptions::Kind::shm) {
    return "Cyclone DDS moves no shared memory here (it needs iceoryx); use --transport udp";
  }
  if (!t.discovery_servers.empty()) {
    return "ROS_DISCOVERY_SERVER is a Fast DDS discovery server; Cyclone DDS has none";
  }
  out->domain = options.domain;
  out->interfaces = t.interfaces;
  out->peers = t.peers;
  if (t.localhost_only) {
    // As ROS 2 does for Cyclone: loopback only, and here without multicast,
    // which loopback does not carry.
    out->interfaces = {"127.0.0.1"};
    if (out->peers.empty()) {
      out->peers = {"127.0.0.1"};
    }
  }
  // Peers given: discovery by unicast only, as with Fast DDS.
  out->multicast = out->peers.empty();
  return "";
}

std::string config_xml(const ParticipantSettings & settings)
{
  std::string xml = "<CycloneDDS><Domain id=\"" + std::to_string(settings.domain) + "\"><General>";
  if (!settings.interfaces.empty()) {
    xml += "<Interfaces>";
    for (const auto & interface : settings.interfaces) {
      xml += interface_element(interface);
    }
    xml += "</Interfaces>";
  }
  // Multicast for discovery only: data goes unicast. Fast DDS 2.9.1 (as
  // Debian builds it, assertions on) aborts when it has to send data to the
  // multicast locator that Cyclone readers announce when several share a host.
  xml += std::string("<AllowMulticast>") + (settings.multicast ? "spdp" : "false") +
    "</AllowMulticast></General><Discovery>"
    // Without multicast, peers find each other on the unicast ports of
    // participant indices 0..MaxAutoParticipantIndex.
    "<ParticipantIndex>auto</ParticipantIndex>"
    "<MaxAutoParticipantIndex>32</MaxAutoParticipantIndex>";
  if (!settings.peers.empty()) {
    xml += "<Peers>";
    for (const auto & peer : settings.peers) {
      xml += "<Peer address=\"" + escaped(peer) + "\"/>";
    }
    xml += "</Peers>";
  }
  // Room for the fragments of large samples, as the Fast DDS backend asks
  // for: up to 4 MB, which the kernel caps at net.core.rmem_max (a minimum
  // would make Cyclone refuse to start where that is lower).
  xml += "</Discovery><Internal><SocketReceiveBufferSize min=\"default\" max=\"4MB\"/></Internal>";
  return xml + "</Domain></CycloneDDS>";
}

dds_qos_t * endpoint_qos(const QosOptions & ros, uint32_t largest_sample)
{
  dds_qos_t * qos = dds_create_qos();
  if (ros.reliability != QosOptions::Reliability::system_default) {
    const bool reliable = ros.reliability == QosOptions::Reliability::reliable;
    dds_qset_reliability(
      qos, reliable ? DDS_RELIABILITY_RELIABLE : DDS_RELIABILITY_BEST_EFFORT, DDS_MSECS(100));
  }
  if (ros.durability != QosOptions::Durability::system_default) {
    dds_qset_durability(qos, ros.durability == QosOptions::Durability::transient_local ?
      DDS_DURABILITY_TRANSIENT_LOCAL : DDS_DURABILITY_VOLATILE);
  }
  const int32_t depth = keep_all_depth(largest_sample);
  if (ros.history == QosOptions::History::keep_all) {
    dds_qset_history(qos, DDS_HISTORY_KEEP_ALL, 0);
    dds_qset_resource_limits(qos, depth, 1, depth);
    dds_qset_durability_service(qos, 0, DDS_HISTORY_KEEP_ALL, 0, depth, 1, depth);
  } else if (ros.history == QosOptions::History::keep_last) {
    const int32_t last = static_cast<int32_t>(std::max<uint32_t>(ros.depth, 1));
    dds_qset_history(qos, DDS_HISTORY_KEEP_LAST, last);
    dds_qset_durability_service(qos, 0, DDS_HISTORY_KEEP_LAST, last, DDS_LENGTH_UNLIMITED,
      DDS_LENGTH_UNLIMITED, DDS_LENGTH_UNLIMITED);
  }
  const dds_data_representation_id_t xcdr1 = DDS_DATA_REPRESENTATION_XCDR1;
  dds_qset_data_representation(qos, 1, &xcdr1);
  return qos;
}

}  // namespace cyclonedds
}  // namespace pelmora_dds
