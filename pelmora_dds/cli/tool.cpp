// pelmora-dds: publishes and receives Features over DDS as a ROS 2 peer,
// from a C or a C++ message, or from another language's through a relay.
// `pelmora-dds SUBCOMMAND --help` lists the options; the exit codes are in
// run.hpp and in --help.
#include <cstdio>
#include <cstring>
#include <string>

#include <CLI/CLI.hpp>

#include "command_line.hpp"
#include "pelmora_dds/environment.hpp"
#include "publishing.hpp"
#include "security_commands.hpp"
#include "tool.hpp"

namespace pelmora_dds
{

namespace
{

const char * const kExitCodes =
  "Exit codes: 0 done; 1 echo: a sample was wrong, late or repeated, or one was\n"
  "dropped or missed (unless --allow-loss); 2 no peer matched, or fewer samples\n"
  "than --count before --timeout; 3 DDS set-up failed; 4 security is enforced\n"
  "but the enclave's files are missing; 64 wrong argument or environment\n"
  "variable; 130 interrupted.\n"
  "Environment: ROS_DOMAIN_ID, ROS_LOCALHOST_ONLY=1, ROS_DISCOVERY_SERVER,\n"
  "FASTRTPS_DEFAULT_PROFILES_FILE, ROS_SECURITY_ENABLE, ROS_SECURITY_STRATEGY,\n"
  "ROS_SECURITY_KEYSTORE, ROS_SECURITY_ENCLAVE_OVERRIDE, as a ROS 2 node reads them.";

// A relayed side works on the C message and has no --side.
void add_common(CLI::App & command, ToolOptions & o, bool relayed)
{
  if (!relayed) {
    command.add_option("--side", o.side, "language of this peer's message")
      ->check(CLI::IsMember({"c", "cpp"}))->capture_default_str();
  }
  add_timeout_option(command, o.timeout);
  add_endpoint_options(command, o.endpoint);
  command.footer(kExitCodes);
}

void add_pub(CLI::App & app, ToolOptions & o, std::vector<uint64_t> & bytes, bool relayed)
{
  CLI::App * pub = app.add_subcommand("pub", "publish seeded Features samples");
  add_common(*pub, o, relayed);
  pub->add_option("--count", o.count, "samples to publish (default 10)")
    ->check(CLI::Range(int64_t{0}, int64_t{100000000}));
  CLI::Option * size = pub->add_option("--size", o.keypoints,
    "keypoints per sample (default 1), 60 encoded bytes each; a list K,K,... is cycled through")
    ->delimiter(',')->check(CLI::Range(0u, kMaxKeypoints))->type_name("K[,K...]");
  pub->add_option("--bytes", bytes, "keypoints for about B encoded bytes per sample, cycled likewise")
    ->delimiter(',')->check(CLI::Range(uint64_t{0}, uint64_t{UINT32_MAX}))->type_name("B[,B...]")
    ->excludes(size);
  pub->add_option("--seed", o.seed, "content seed")->capture_default_str();
  add_peers_option(*pub, o.peers);
  pub->add_option("--interval", o.interval_ms, "pause MS milliseconds between samples")
    ->check(CLI::Range(0u, 60000u))->type_name("MS");
}

void add_echo(CLI::App & app, ToolOptions & o, bool relayed)
{
  CLI::App * echo = app.add_subcommand("echo", "print received samples as YAML, or check them");
  add_common(*echo, o, relayed);
  echo->add_option("--count", o.count, "samples to receive (default: until --timeout)")
    ->check(CLI::Range(int64_t{1}, int64_t{100000000}));
  CLI::Option * seed = echo->add_option_function<uint32_t>("--verify-seed",
    [&o](uint32_t seed) {o.seed = seed; o.verify = true;},
    "check every sample against seed S and print a summary instead of YAML")->type_name("S");
  echo->add_flag("--quiet", o.quiet, "only count samples and print a summary")->excludes(seed);
  echo->add_flag("--full", o.full, "print whole sequences (default: the first 8 items)");
  echo->add_option("--largest", o.endpoint.largest_sample, "largest expected payload in bytes")
    ->check(CLI::Range(1u, UINT32_MAX))->type_name("B");
  echo->add_flag("--allow-loss", o.allow_loss,
    "exit 0 even when samples were dropped as malformed or missed (they are still counted)");
  echo->add_option("--take-delay", o.take_delay_ms, "sleep MS milliseconds after each sample: "
    "a slow reader")->check(CLI::Range(0u, 60000u))->type_name("MS");
}

// The side named on the command line, or the C side under the relay's name.
const Side * chosen_side(const ToolOptions & o, const Relay & relay, Side * relayed)
{
  if (relay.function == nullptr) {
    return o.side == "c" ? &c_side() : cpp_side();
  }
  *relayed = c_side();
  relayed->name = relay.side;
  relayed->relay = relay.function;
  relayed->relay_context = relay.context;
  return relayed;
}

}  // namespace

int tool_main(int argc, const char * const * argv, const Relay & relay)
{
  const char * slash = std::strrchr(argv[0], '/');
  const std::string program = slash == nullptr ? argv[0] : slash + 1;
  const bool relayed = relay.function != nullptr;
  ToolOptions o;
  const std::string environment = apply_process_environment(&o.endpoint);
  if (!environment.empty()) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), environment.c_str());
    return kUsage;
  }
  CLI::App app(program + ": Features over DDS as a ROS 2 peer", program);
  app.require_subcommand(1);
  app.footer(kExitCodes);
  std::vector<uint64_t> bytes;
  add_pub(app, o, bytes, relayed);
  add_echo(app, o, relayed);
  SecurityCommand keystore;
  keystore.domain = o.endpoint.domain;
  const CLI::App * security = add_security_commands(app, keystore);
  // CLI11 would only say that a subcommand is required.
  const std::string first = argc >= 2 ? argv[1] : "";
  if (!first.empty() && first[0] != '-' && first != "pub" && first != "echo" && first != "security") {
    std::fprintf(stderr, "%s: unknown subcommand '%s'; use pub, echo or security\n"
      "Run '%s --help' for the options.\n", program.c_str(), argv[1], program.c_str());
    return kUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp & e) {
    return app.exit(e);
  } catch (const CLI::ParseError & e) {
    if (e.get_exit_code() == 0) {
      return app.exit(e);
    }
    const auto chosen = app.get_subcommands();
    const std::string command = chosen.empty() ? "" : " " + chosen.front()->get_name();
    std::fprintf(stderr, "%s%s: %s\nRun '%s%s --help' for the options.\n", program.c_str(),
      command.c_str(), e.what(), program.c_str(), command.empty() ? " SUBCOMMAND" : command.c_str());
    return kUsage;
  }
  if (security->parsed()) {
    return run_security_command(*security, keystore);
  }
  const bool pub = app.got_subcommand("pub");
  const std::string label = program + (pub ? " pub" : " echo");
  const int secured = resolve_security(label.c_str(), o.endpoint);
  if (secured != kOk) {
    return secured;
  }
  if (!bytes.empty()) {
    o.keypoints.clear();
    for (const uint64_t b : bytes) {
      o.keypoints.push_back(keypoints_for_bytes(b));
    }
  }
  Side relayed_side = c_side();
  const Side * side = chosen_side(o, relay, &relayed_side);
  if (side == nullptr) {
    std::fprintf(stderr, "%s: this build has no C++ side\n", program.c_str());
    return kUsage;
  }
  install_stop_handlers();
  return pub ? run_pub(o, *side) : run_echo(o, *side);
}

}  // namespace pelmora_dds
