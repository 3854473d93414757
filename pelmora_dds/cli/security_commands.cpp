#include "security_commands.hpp"

#include <cstdio>

#include "command_line.hpp"
#include "security/credentials.hpp"
#include "security/keystore.hpp"
#include "security/names.hpp"
#include "tool.hpp"

namespace pelmora_dds
{

namespace
{

CLI::Validator topic_name()
{
  return CLI::Validator(
    [](const std::string & name) {
      std::string problem;
      security::permission_topic(name, &problem);
      return problem;
    }, "TOPIC", "ROS topic name");
}

}  // namespace

CLI::App * add_security_commands(CLI::App & app, SecurityCommand & command)
{
  CLI::App * group = app.add_subcommand("security", "create a keystore and its enclaves (DDS Security)");
  group->require_subcommand(1);
  group->footer(
    "Exit codes: 0 done; 3 the files could not be made (the message says why);\n"
    "64 wrong argument.");

  CLI::App * keystore = group->add_subcommand("create-keystore",
    "create the certificate authority and the signed governance: discovery, liveliness and data "
    "encrypted, unauthenticated participants refused");
  keystore->add_option("DIR", command.keystore, "keystore folder (created if missing)")->required();

  CLI::App * enclave = group->add_subcommand("create-enclave",
    "create (or renew) an enclave: key, certificate and signed permissions; without --allow-* "
    "options it may publish and subscribe every topic");
  enclave->add_option("DIR", command.keystore, "keystore folder")->required();
  enclave->add_option("NAME", command.enclave, "enclave name, such as /robot/camera")
    ->required()->check(enclave_name());
  enclave->add_option("--allow-publish", command.publish, "ROS topic the enclave may publish (repeatable)")
    ->check(topic_name())->allow_extra_args(false)->type_name("TOPIC");
  enclave->add_option("--allow-subscribe", command.subscribe,
    "ROS topic the enclave may subscribe to (repeatable)")
    ->check(topic_name())->allow_extra_args(false)->type_name("TOPIC");

  for (CLI::App * sub : {keystore, enclave}) {
    sub->add_option("--domain", command.domain, "DDS domain id (default $ROS_DOMAIN_ID, else 0)")
      ->check(CLI::Range(0u, 232u));
  }
  return group;
}

int run_security_command(const CLI::App & security, const SecurityCommand & command)
{
  try {
    if (security.got_subcommand("create-keystore")) {
      security::create_keystore(command.keystore, command.domain);
      std::printf("keystore %s created for domain %u\n", command.keystore.c_str(), command.domain);
    } else {
      security::create_enclave(
        command.keystore, {command.enclave, command.domain, command.publish, command.subscribe});
      std::printf("enclave %s created in %s\n", command.enclave.c_str(),
        security::enclave_directory(command.keystore, command.enclave).c_str());
    }
  } catch (const security::KeystoreError & e) {
    std::fprintf(stderr, "pelmora-dds security: %s\n", e.what());
    return kSetup;
  }
  return kOk;
}

}  // namespace pelmora_dds
