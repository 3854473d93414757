// The environment variables ROS 2 users set to steer their nodes, read into
// EndpointOptions so that a backend sees them as data.
#ifndef PELMORA_DDS__ENVIRONMENT_HPP_
#define PELMORA_DDS__ENVIRONMENT_HPP_

#include <functional>
#include <string>

#include "pelmora_dds/options.hpp"

namespace pelmora_dds
{

/// Looks a variable up; null when unset.
using Lookup = std::function<const char *(const char * name)>;

/// Applies ROS_DOMAIN_ID, ROS_LOCALHOST_ONLY, ROS_DISCOVERY_SERVER and
/// FASTRTPS_DEFAULT_PROFILES_FILE to `options`. Returns an empty string, or
/// what is wrong with a variable's value (options then stay unchanged).
std::string apply_environment(EndpointOptions * options, const Lookup & lookup);

/// apply_environment over the process environment as it was when first
/// read: a backend may clear variables its library would otherwise read on
/// its own, after taking them over as options.
std::string apply_process_environment(EndpointOptions * options);

/// Takes the snapshot apply_process_environment reads, if not taken yet.
void capture_process_environment();

/// Largest domain id whose ports stay valid (7400 + 250·d + 11 + 2·119).
constexpr uint32_t kMaxDomain = 232;

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__ENVIRONMENT_HPP_
