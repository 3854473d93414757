// Everything an endpoint is built from, as plain data: the command line and
// the C interface fill it, a backend reads it. Nothing here knows a vendor.
#ifndef PELMORA_DDS__OPTIONS_HPP_
#define PELMORA_DDS__OPTIONS_HPP_

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora_dds
{

/// The ROS 2 QoS policies a user sets on the command line. `system_default`
/// leaves the policy as the middleware (or its XML profile) has it.
struct QosOptions
{
  enum class Reliability { system_default, reliable, best_effort };
  enum class Durability { system_default, volatile_, transient_local };
  enum class History { system_default, keep_last, keep_all };

  // ROS's default profile: reliable, volatile, keep-last 10.
  Reliability reliability = Reliability::reliable;
  Durability durability = Durability::volatile_;
  History history = History::keep_last;
  uint32_t depth = 10;
  /// Liveliness lease (ROS's liveliness_lease_duration), in milliseconds;
  /// 0 is infinite, as ROS's default. A writer that asserts nothing for a
  /// lease is reported not alive; the participant's own lease follows it, so
  /// a killed peer of either role is noticed within it.
  uint32_t liveliness_lease_ms = 0;
  /// Longest a write waits for room in a full keep-all history before it
  /// reports a blocked write (Fast DDS max_blocking_time).
  uint32_t max_blocking_ms = 500;
};

struct TransportOptions
{
  enum class Kind
  {
    builtin,  ///< the middleware's own transports, as a default ROS 2 node has
    shm,      ///< shared memory only: nothing leaves the machine
    udp,      ///< UDPv4 only
  };

  Kind kind = Kind::builtin;
  /// Interface whitelist (IPv4 addresses); empty means every interface.
  std::vector<std::string> interfaces;
  /// Unicast initial peers (IPv4 addresses); when given, discovery uses no
  /// multicast.
  std::vector<std::string> peers;
  /// ROS_LOCALHOST_ONLY=1: UDP restricted to 127.0.0.1 (plus shared memory
  /// for the built-in transports).
  bool localhost_only = false;
  /// ROS_DISCOVERY_SERVER: ';'-separated server locators, the position being
  /// the server id. Non-empty makes the participant a discovery client.
  std::string discovery_servers;
  /// FASTRTPS_DEFAULT_PROFILES_FILE: XML profiles whose defaults the
  /// participant, writers and readers start from.
  std::string profiles_file;
};

/// The absolute paths of an enclave's files, in the order DDS Security uses
/// them.
struct SecurityFiles
{
  std::string identity_ca;
  std::string certificate;
  std::string private_key;
  std::string permissions_ca;
  std::string governance;
  std::string permissions;
};

/// DDS Security for one participant, as ROS 2 sets it up: `enclave` is what
/// --enclave asked for; security::resolve (src/security/settings.hpp) decides from
/// it and the ROS_SECURITY_* variables whether the participant is secured
/// (`enabled`), in which enclave (`enclave_used`) and with which files.
struct SecuritySettings
{
  std::string enclave;
  bool enabled = false;
  std::string enclave_used;
  SecurityFiles files;
};

struct EndpointOptions
{
  /// DDS implementation behind the seam; "fastdds" is the only one yet.
  std::string vendor = "fastdds";
  uint32_t domain = 0;
  /// Fully qualified ROS topic name ("/features"); see ros_names.hpp.
  std::string topic = "/features";
  /// Payload bytes of the largest sample the endpoint will move. Sizes
  /// shared-memory segments and resource limits; a larger sample still
  /// travels, only less smoothly.
  uint32_t largest_sample = 64 * 1024;
  QosOptions qos;
  TransportOptions transport;
  SecuritySettings security;
};

/// Each value's word, as the command line takes it and describe() says it.
template<typename E>
struct Word
{
  const char * text;
  E value;
};
extern const Word<QosOptions::Reliability> kReliabilityWords[3];
extern const Word<QosOptions::Durability> kDurabilityWords[3];
extern const Word<QosOptions::History> kHistoryWords[3];
extern const Word<TransportOptions::Kind> kTransportWords[3];

const char * to_string(QosOptions::Reliability value);
const char * to_string(QosOptions::Durability value);
const char * to_string(QosOptions::History value);
const char * to_string(TransportOptions::Kind value);

/// One line for progress messages: "rt/features, domain 0, reliable,
/// volatile, keep_last 10, transport default".
std::string describe(const EndpointOptions & options);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__OPTIONS_HPP_
