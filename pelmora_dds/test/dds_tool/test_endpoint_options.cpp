// Endpoint options from the environment and the command line: ROS's
// defaults, every option's effect, the command line over the environment,
// and a message naming the option and its allowed values for each wrong one.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "command_line.hpp"
#include "pelmora_dds/endpoint.hpp"
#include "pelmora_dds/environment.hpp"

namespace
{

using pelmora_dds::EndpointOptions;
using pelmora_dds::QosOptions;
using pelmora_dds::TransportOptions;

// The parser under test: the options after the program and subcommand.
const auto parse = pelmora_dds::parse_endpoint_options;

std::string with_environment(const std::map<std::string, std::string> & variables, EndpointOptions * o)
{
  return pelmora_dds::apply_environment(o, [&variables](const char * name) -> const char * {
             const auto found = variables.find(name);
             return found == variables.end() ? nullptr : found->second.c_str();
           });
}

TEST(EndpointOptions, DefaultsAreThoseOfADefaultRosNode)
{
  EndpointOptions o;
  ASSERT_EQ(parse({}, &o), "");
  EXPECT_EQ(o.topic, "/features");
  EXPECT_EQ(o.domain, 0u);
  EXPECT_EQ(o.vendor, "fastdds");
  EXPECT_EQ(o.qos.reliability, QosOptions::Reliability::reliable);
  EXPECT_EQ(o.qos.durability, QosOptions::Durability::volatile_);
  EXPECT_EQ(o.qos.history, QosOptions::History::keep_last);
  EXPECT_EQ(o.qos.depth, 10u);
  EXPECT_EQ(o.transport.kind, TransportOptions::Kind::builtin);
  EXPECT_TRUE(o.transport.interfaces.empty());
  EXPECT_TRUE(o.transport.peers.empty());
  EXPECT_EQ(pelmora_dds::describe(o),
    "rt/features, domain 0, reliable, volatile, keep_last 10, transport default");
}

TEST(EndpointOptions, EveryOptionReachesItsField)
{
  EndpointOptions o;
  ASSERT_EQ(parse({"--topic", "ns/features", "--domain", "232", "--transport", "udp",
      "--interface", "10.1.2.3", "--interface", "127.0.0.1", "--peer", "10.1.2.4",
      "--peer", "10.1.2.5", "--qos-reliability", "best_effort", "--qos-durability",
      "transient_local", "--qos-history", "keep_all", "--qos-depth", "3",
      "--qos-liveliness-lease", "1.25", "--max-blocking", "0.01"}, &o), "");
  EXPECT_EQ(o.topic, "/ns/features");
  EXPECT_EQ(o.domain, 232u);
  EXPECT_EQ(o.transport.kind, TransportOptions::Kind::udp);
  EXPECT_EQ(o.transport.interfaces, (std::vector<std::string>{"10.1.2.3", "127.0.0.1"}));
  EXPECT_EQ(o.transport.peers, (std::vector<std::string>{"10.1.2.4", "10.1.2.5"}));
  EXPECT_EQ(o.qos.reliability, QosOptions::Reliability::best_effort);
  EXPECT_EQ(o.qos.durability, QosOptions::Durability::transient_local);
  EXPECT_EQ(o.qos.history, QosOptions::History::keep_all);
  EXPECT_EQ(o.qos.depth, 3u);
  EXPECT_EQ(o.qos.liveliness_lease_ms, 1250u);
  EXPECT_EQ(o.qos.max_blocking_ms, 10u);
}

TEST(EndpointOptions, WrongValuesNameTheOptionAndWhatItTakes)
{
  struct Case
  {
    std::vector<std::string> args;
    std::vector<std::string> said;
  };
  const Case cases[] = {
    {{"--transport", "tcp"}, {"--transport", "tcp", "default", "shm", "udp"}},
    {{"--qos-reliability", "RELIABLE"}, {"--qos-reliability", "best_effort", "reliable"}},
    {{"--qos-durability", "persistent"}, {"--qos-durability", "transient_local", "volatile"}},
    {{"--qos-history", "unknown"}, {"--qos-history", "keep_all", "keep_last"}},
    {{"--qos-depth", "0"}, {"--qos-depth", "1", "1000000"}},
    {{"--qos-liveliness-lease", "0.01"}, {"--qos-liveliness-lease", "0.1"}},
    {{"--max-blocking", "0"}, {"--max-blocking"}},
    {{"--domain", "233"}, {"--domain", "0", "232"}},
    {{"--domain", "-1"}, {"--domain"}},
    {{"--peer", "10.0.0"}, {"--peer"}},
    {{"--interface", "eth0"}, {"--interface"}},
    {{"--topic", "/a//b"}, {"--topic", "'//'"}},
    {{"--vendor", "connext"}, {"--vendor", "fastdds"}},
    {{"--no-such-option"}, {"--no-such-option"}},
  };
  for (const Case & c : cases) {
    EndpointOptions o;
    const std::string said = parse(c.args, &o);
    for (const std::string & word : c.said) {
      EXPECT_NE(said.find(word), std::string::npos) << c.args[0] << ": " << said;
    }
    EXPECT_EQ(o.topic, "/features") << "a failed parse leaves the options as they were";
  }
}

TEST(EndpointOptions, EnvironmentSetsWhatRosNodesReadAndTheCommandLineOverridesIt)
{
  EndpointOptions o;
  ASSERT_EQ(with_environment({{"ROS_DOMAIN_ID", "0x10"}, {"ROS_LOCALHOST_ONLY", "1"},
      {"ROS_DISCOVERY_SERVER", "10.0.0.1:11811;10.0.0.2"},
      {"FASTRTPS_DEFAULT_PROFILES_FILE", "/tmp/p.xml"}}, &o), "");
  EXPECT_EQ(o.domain, 16u);  // base 0, as rcl reads it
  EXPECT_TRUE(o.transport.localhost_only);
  EXPECT_EQ(o.transport.discovery_servers, "10.0.0.1:11811;10.0.0.2");
  EXPECT_EQ(o.transport.profiles_file, "/tmp/p.xml");
  ASSERT_EQ(parse({"--domain", "7"}, &o), "");
  EXPECT_EQ(o.domain, 7u);
}

TEST(EndpointOptions, OnlyTheExactValueOneMakesLocalhostOnly)
{
  for (const char * value : {"true", "yes", "01", "", " 1"}) {
    EndpointOptions o;
    ASSERT_EQ(with_environment({{"ROS_LOCALHOST_ONLY", value}}, &o), "");
    EXPECT_FALSE(o.transport.localhost_only) << "'" << value << "'";
  }
}

TEST(EndpointOptions, AnInvalidDomainIdInTheEnvironmentIsRefusedAndChangesNothing)
{
  for (const char * value : {"233", "-1", "seven", "1x", "99999999999999999999"}) {
    EndpointOptions o;
    const std::string why = with_environment(
      {{"ROS_DOMAIN_ID", value}, {"ROS_LOCALHOST_ONLY", "1"}}, &o);
    EXPECT_NE(why.find("ROS_DOMAIN_ID"), std::string::npos) << value;
    EXPECT_EQ(o.domain, 0u);
    EXPECT_FALSE(o.transport.localhost_only);
  }
  EndpointOptions empty;
  EXPECT_EQ(with_environment({{"ROS_DOMAIN_ID", ""}}, &empty), "");
  EXPECT_EQ(empty.domain, 0u);
}

TEST(EndpointOptions, AnUnknownVendorFailsAtCreationWithItsName)
{
  EndpointOptions o;
  o.vendor = "connext";
  std::string error;
  static const rosidl_message_type_support_t unused{};
  EXPECT_EQ(pelmora_dds::Endpoint::create(
      pelmora_dds::Endpoint::Role::writer, &unused, o, &error), nullptr);
  EXPECT_NE(error.find("connext"), std::string::npos) << error;
}

}  // namespace
