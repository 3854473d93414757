#include "pelmora_dds/environment.hpp"

#include <cerrno>
#include <cstdlib>
#include <map>

namespace pelmora_dds
{

std::string apply_environment(EndpointOptions * options, const Lookup & lookup)
{
  EndpointOptions result = *options;
  // rcl reads the domain with strtoul base 0, so "0x10" is domain 16.
  const char * domain = lookup("ROS_DOMAIN_ID");
  if (domain != nullptr && domain[0] != '\0') {
    char * end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(domain, &end, 0);
    if (errno != 0 || *end != '\0' || domain[0] == '-' || value > kMaxDomain) {
      return std::string("ROS_DOMAIN_ID='") + domain + "' is not a domain id in 0.." +
             std::to_string(kMaxDomain);
    }
    result.domain = static_cast<uint32_t>(value);
  }
  // Only the exact value "1" turns it on, as in rcl.
  const char * localhost = lookup("ROS_LOCALHOST_ONLY");
  result.transport.localhost_only = localhost != nullptr && std::string(localhost) == "1";
  const char * servers = lookup("ROS_DISCOVERY_SERVER");
  if (servers != nullptr) {
    result.transport.discovery_servers = servers;
  }
  const char * profiles = lookup("FASTRTPS_DEFAULT_PROFILES_FILE");
  if (profiles != nullptr) {
    result.transport.profiles_file = profiles;
  }
  *options = result;
  return std::string();
}

namespace
{

const std::map<std::string, std::string> & snapshot()
{
  static const std::map<std::string, std::string> taken = [] {
      std::map<std::string, std::string> values;
      for (const char * name : {"ROS_DOMAIN_ID", "ROS_LOCALHOST_ONLY", "ROS_DISCOVERY_SERVER",
          "FASTRTPS_DEFAULT_PROFILES_FILE"})
      {
        if (const char * value = std::getenv(name)) {
          values.emplace(name, value);
        }
      }
      return values;
    }();
  return taken;
}

}  // namespace

void capture_process_environment()
{
  snapshot();
}

std::string apply_process_environment(EndpointOptions * options)
{
  return apply_environment(options, [](const char * name) -> const char * {
             const auto found = snapshot().find(name);
             return found == snapshot().end() ? nullptr : found->second.c_str();
           });
}

}  // namespace pelmora_dds
