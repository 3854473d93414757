// Whether a participant runs secured, and with which files, decided the way
// a ROS 2 process decides it from its environment and its enclave option.
#ifndef PELMORA_DDS__SECURITY__SETTINGS_HPP_
#define PELMORA_DDS__SECURITY__SETTINGS_HPP_

#include <string>

#include "pelmora_dds/options.hpp"

namespace pelmora_dds::security
{

/// The ROS 2 security variables of a process, unset ones empty.
struct SecurityEnvironment
{
  std::string enable;            ///< ROS_SECURITY_ENABLE: security only if "true"
  std::string strategy;          ///< ROS_SECURITY_STRATEGY: "Enforce", else permissive
  std::string keystore;          ///< ROS_SECURITY_KEYSTORE
  std::string enclave_override;  ///< ROS_SECURITY_ENCLAVE_OVERRIDE

  static SecurityEnvironment from_process();
};

/// The outcome of resolving: `message` is a warning to print when the
/// settings are weaker than asked for, or why it refused to start.
struct Resolution
{
  bool refused = false;
  std::string message;
};

/// Fills `settings` from `environment` and the enclave it asks for
/// (`settings->enclave`, empty when not given): the enclave used is the
/// override, else the one asked for, else "/". When security is enabled and
/// a file is missing, the Enforce strategy refuses, naming the files, and
/// any other strategy runs unsecured with a warning. An invalid enclave name
/// is refused whatever the strategy.
Resolution resolve(const SecurityEnvironment & environment, SecuritySettings * settings);

}  // namespace pelmora_dds::security

#endif  // PELMORA_DDS__SECURITY__SETTINGS_HPP_
