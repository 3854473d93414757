// Whether a participant runs secured, and with which files, decided the way
// a ROS 2 process decides it from its environment and its enclave option.
#ifndef PELMORA_DDS__SECURITY__SETTINGS_HPP_
#define PELMORA_DDS__SECURITY__SETTINGS_HPP_

#include <optional>
#include <string>

namespace pelmora_dds::security
{

/// The absolute paths of an enclave's files (see kEnclaveFiles).
struct SecurityFiles
{
  std::string identity_ca;
  std::string certificate;
  std::string private_key;
  std::string permissions_ca;
  std::string governance;
  std::string permissions;
};

/// The security a participant gets; `enabled` false means none at all.
struct SecuritySettings
{
  bool enabled = false;
  std::string enclave;
  SecurityFiles files;
};

/// The ROS 2 security variables of a process, unset ones empty.
struct SecurityEnvironment
{
  std::string enable;            ///< ROS_SECURITY_ENABLE: security only if "true"
  std::string strategy;          ///< ROS_SECURITY_STRATEGY: "Enforce", else permissive
  std::string keystore;          ///< ROS_SECURITY_KEYSTORE
  std::string enclave_override;  ///< ROS_SECURITY_ENCLAVE_OVERRIDE

  static SecurityEnvironment from_process();
};

/// The outcome of resolving: settings to run with, a warning to print when
/// they are weaker than asked for, or a refusal to start.
struct Resolution
{
  std::optional<SecuritySettings> settings;  ///< empty when refused
  std::string message;                       ///< the warning, or why it refused
};

/// Resolves `environment` with the enclave option (empty when not given):
/// the enclave is the override, else the option, else "/". When security is
/// enabled and a file is missing, the Enforce strategy refuses, naming the
/// files, and any other strategy runs unsecured with a warning. An invalid
/// enclave name is refused whatever the strategy.
Resolution resolve(const SecurityEnvironment & environment, const std::string & enclave_option);

}  // namespace pelmora_dds::security

#endif  // PELMORA_DDS__SECURITY__SETTINGS_HPP_
