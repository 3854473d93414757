#include "settings.hpp"

#include <cctype>

namespace pelmora_dds_cyclonedds
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
// attributes; an address starts with a digit (IPv4) or holds a colon (IPv6).
std::string interface_element(const std::string & interface)
{
  const bool address = !interface.empty() &&
    (std::isdigit(static_cast<unsigned char>(interface[0])) || interface.find(':') != std::string::npos);
  return std::string("<NetworkInterface ") + (address ? "address" : "name") + "=\"" +
         escaped(interface) + "\"/>";
}

}  // namespace

std::string config_xml(const Settings & settings)
{
  std::string xml = "<CycloneDDS><Domain id=\"" + std::to_string(settings.domain) + "\"><General>";
  if (!settings.interfaces.empty()) {
    xml += "<Interfaces>";
    for (const auto & interface : settings.interfaces) {
      xml += interface_element(interface);
    }
    xml += "</Interfaces>";
  }
  xml += std::string("<AllowMulticast>") + (settings.multicast ? "default" : "false") +
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
  xml += "</Discovery></Domain></CycloneDDS>";
  return xml;
}

}  // namespace pelmora_dds_cyclonedds
