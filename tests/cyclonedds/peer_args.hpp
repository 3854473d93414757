// Command line shared by the test peers (the idlc witness and the walker
// peer): which side, topic, domain, samples and network settings.
#ifndef PELMORA_TESTS__PEER_ARGS_HPP_
#define PELMORA_TESTS__PEER_ARGS_HPP_

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace pelmora_tests
{

struct Args
{
  std::string command;
  std::string side = "c";
  bool hostile = false;
  std::string topic = "rt/pelmora_features";
  uint32_t domain = 0;
  uint32_t count = 1;
  std::vector<uint32_t> sizes{0};
  uint32_t seed = 1;
  uint32_t peers = 1;
  double timeout = 30;
  std::vector<std::string> interfaces;
  std::vector<std::string> peer_addresses;
  bool multicast = false;
};

inline bool parse(int argc, char ** argv, Args * a)
{
  if (argc < 2) {
    return false;
  }
  a->command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string key = argv[i];
    if (key == "--multicast" || key == "--hostile") {
      (key == "--multicast" ? a->multicast : a->hostile) = true;
      continue;
    }
    if (i + 1 >= argc) {
      return false;
    }
    const char * value = argv[++i];
    if (key == "--side") {
      a->side = value;
    } else if (key == "--topic") {
      a->topic = value;
    } else if (key == "--domain") {
      a->domain = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    } else if (key == "--count") {
      a->count = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    } else if (key == "--seed") {
      a->seed = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    } else if (key == "--peers") {
      a->peers = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    } else if (key == "--timeout") {
      a->timeout = std::strtod(value, nullptr);
    } else if (key == "--interface") {
      a->interfaces.push_back(value);
    } else if (key == "--peer") {
      a->peer_addresses.push_back(value);
    } else if (key == "--size") {
      a->sizes.clear();
      for (const char * p = value; *p != '\0'; ) {
        char * end = nullptr;
        a->sizes.push_back(static_cast<uint32_t>(std::strtoul(p, &end, 10)));
        p = *end == ',' ? end + 1 : end;
        if (end == p && *p != '\0') {
          return false;
        }
      }
    } else {
      return false;
    }
  }
  // Without multicast, loopback only unless told otherwise: nothing leaves
  // the machine by default.
  if (!a->multicast && a->interfaces.empty()) {
    a->interfaces.push_back("127.0.0.1");
  }
  if (!a->multicast && a->peer_addresses.empty()) {
    a->peer_addresses.push_back("127.0.0.1");
  }
  return (a->command == "pub" || a->command == "echo") && !a->sizes.empty();
}

inline std::string config(const Args & a)
{
  std::string xml = "<CycloneDDS><Domain id=\"" + std::to_string(a.domain) + "\"><General>";
  if (!a.interfaces.empty()) {
    xml += "<Interfaces>";
    for (const auto & i : a.interfaces) {
      xml += "<NetworkInterface address=\"" + i + "\"/>";
    }
    xml += "</Interfaces>";
  }
  xml += std::string("<AllowMulticast>") + (a.multicast ? "spdp" : "false") +
    "</AllowMulticast></General><Discovery><ParticipantIndex>auto</ParticipantIndex>"
    "<MaxAutoParticipantIndex>32</MaxAutoParticipantIndex><Peers>";
  for (const auto & p : a.peer_addresses) {
    xml += "<Peer address=\"" + p + "\"/>";
  }
  return xml + "</Peers></Discovery></Domain></CycloneDDS>";
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__PEER_ARGS_HPP_
