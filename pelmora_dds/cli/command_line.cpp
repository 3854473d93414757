#include "command_line.hpp"

#include <algorithm>
#include <map>

#include "pelmora_dds/endpoint.hpp"
#include "pelmora_dds/environment.hpp"
#include "pelmora_dds/ros_names.hpp"
#include "security/names.hpp"

namespace pelmora_dds
{

namespace
{

// A closed set of words, each meaning one value of T: checked by CLI11
// (which names the allowed words in its message), then stored.
template<typename T>
CLI::Option * add_choice(
  CLI::App & app, const std::string & name, T & target, const std::map<std::string, T> & words,
  const std::string & description)
{
  std::vector<std::string> allowed;
  std::string shown = description + " (";
  for (const auto & word : words) {
    allowed.push_back(word.first);
    if (word.second == target) {
      shown += "default " + word.first;
    }
  }
  shown += ")";
  return app.add_option_function<std::string>(
    name, [&target, words](const std::string & word) {target = words.at(word);}, shown)
         ->check(CLI::IsMember(allowed))->type_name("WORD");
}

template<typename T, size_t N>
std::map<std::string, T> words_of(const Word<T> (&words)[N])
{
  std::map<std::string, T> by_text;
  for (const Word<T> & word : words) {
    by_text.emplace(word.text, word.value);
  }
  return by_text;
}

CLI::Validator ros_topic_name()
{
  return CLI::Validator(
    [](std::string & name) {
      std::string qualified;
      std::string why = qualify_topic_name(name, &qualified);
      if (why.empty()) {
        name = qualified;
      }
      return why;
    }, "NAME", "ROS topic name");
}

}  // namespace

CLI::Validator enclave_name()
{
  return CLI::Validator(
    [](const std::string & name) {return security::enclave_name_problem(name);}, "NAME",
    "enclave name");
}

void add_endpoint_options(CLI::App & app, EndpointOptions & options)
{
  app.add_option("--topic", options.topic,
    "ROS topic: 'features', '/features' and '/ns/features' are the DDS topics rt/features "
    "and rt/ns/features")->transform(ros_topic_name())->capture_default_str();
  app.add_option("--domain", options.domain, "DDS domain id (default $ROS_DOMAIN_ID, else 0)")
    ->check(CLI::Range(0u, kMaxDomain));
  std::map<std::string, std::string> vendor_words;
  for (const std::string & vendor : vendors()) {
    vendor_words.emplace(vendor, vendor);
  }
  add_choice(app, "--vendor", options.vendor, vendor_words, "DDS implementation");

  add_choice(app, "--transport", options.transport.kind, words_of(kTransportWords),
    "default: the middleware's built-in transports, as a ROS 2 node has them; "
    "shm: shared memory only; udp: UDPv4 only");
  app.add_option("--interface", options.transport.interfaces,
    "use only the network interface with this IPv4 address (repeatable)")
    ->check(CLI::ValidIPV4)->allow_extra_args(false)->type_name("ADDR");
  app.add_option("--peer", options.transport.peers,
    "discover through this unicast IPv4 address instead of multicast (repeatable)")
    ->check(CLI::ValidIPV4)->allow_extra_args(false)->type_name("ADDR");

  add_choice(app, "--qos-reliability", options.qos.reliability, words_of(kReliabilityWords),
    "reliability");
  add_choice(app, "--qos-durability", options.qos.durability, words_of(kDurabilityWords),
    "durability");
  add_choice(app, "--qos-history", options.qos.history, words_of(kHistoryWords), "history");
  app.add_option("--qos-depth", options.qos.depth, "samples kept with keep_last")
    ->check(CLI::Range(1u, 1000000u))->capture_default_str();
  app.add_option("--enclave", options.security.enclave,
    "DDS Security enclave of the keystore in $ROS_SECURITY_KEYSTORE, such as /robot/camera "
    "(default /); used when ROS_SECURITY_ENABLE=true, replaced by "
    "$ROS_SECURITY_ENCLAVE_OVERRIDE")->check(enclave_name());
  app.add_option_function<double>("--qos-liveliness-lease",
    [&options](double seconds) {options.qos.liveliness_lease_ms = static_cast<uint32_t>(seconds * 1000);},
    "liveliness lease in seconds: a writer silent for that long is reported not alive "
    "(default infinite)")->check(CLI::Range(0.1, 3600.0))->type_name("SEC");
  app.add_option_function<double>("--max-blocking",
    [&options](double seconds) {options.qos.max_blocking_ms = static_cast<uint32_t>(seconds * 1000);},
    "writer: longest wait for room in a full keep_all history before a write reports it is "
    "blocked (default 0.5)")->check(CLI::Range(0.001, 3600.0))->type_name("SEC");
}

std::string parse_endpoint_options(const std::vector<std::string> & args, EndpointOptions * options)
{
  CLI::App app("endpoint options");
  EndpointOptions parsed = *options;
  add_endpoint_options(app, parsed);
  // CLI11 takes the arguments last to first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError & e) {
    return e.what();
  }
  *options = parsed;
  return std::string();
}

}  // namespace pelmora_dds
