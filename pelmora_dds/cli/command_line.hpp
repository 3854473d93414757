// The endpoint options on a CLI11 command line: the same names, checks and
// messages for pelmora-dds and for the C interface (the Python peer).
#ifndef PELMORA_DDS__COMMAND_LINE_HPP_
#define PELMORA_DDS__COMMAND_LINE_HPP_

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "pelmora_dds/options.hpp"

namespace pelmora_dds
{

/// Adds --topic, --domain, --vendor, --transport, --interface, --peer and the
/// --qos-* options to `app`, each writing into `options` once parsed. Every
/// value is checked as it is parsed; a wrong one fails the parse with a
/// message naming the option and what it accepts. The topic is stored fully
/// qualified. Call apply_process_environment first: the command line
/// overrides the environment.
void add_endpoint_options(CLI::App & app, EndpointOptions & options);

/// The check of an enclave name (--enclave, the keystore commands' NAME).
CLI::Validator enclave_name();

/// Parses `args` (options only, no program name) into `options` with the
/// same definitions. Returns an empty string, or the parser's message.
std::string parse_endpoint_options(const std::vector<std::string> & args, EndpointOptions * options);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__COMMAND_LINE_HPP_
