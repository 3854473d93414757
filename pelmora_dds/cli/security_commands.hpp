// pelmora-dds security create-keystore / create-enclave: the keystore
// commands, beside pub and echo.
#ifndef PELMORA_DDS__TOOL__SECURITY_COMMANDS_HPP_
#define PELMORA_DDS__TOOL__SECURITY_COMMANDS_HPP_

#include <cstdint>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace pelmora_dds
{

struct SecurityCommand
{
  std::string keystore;
  std::string enclave;
  /// Domain of the governance and permissions; main sets the default from
  /// ROS_DOMAIN_ID as ROS 2's keystore tools take it.
  uint32_t domain = 0;
  std::vector<std::string> publish;
  std::vector<std::string> subscribe;
};

/// Adds the "security" subcommand with its two subcommands to `app`.
CLI::App * add_security_commands(CLI::App & app, SecurityCommand & command);

/// Runs the security subcommand `app` parsed; returns an exit code.
int run_security_command(const CLI::App & security, const SecurityCommand & command);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__TOOL__SECURITY_COMMANDS_HPP_
