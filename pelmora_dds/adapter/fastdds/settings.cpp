#include "fastdds/settings.hpp"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <utility>

#include <fastdds/rtps/attributes/ServerAttributes.h>
#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <fastdds/rtps/transport/shared_mem/SharedMemTransportDescriptor.h>
#include <fastrtps/utils/IPLocator.h>

#include "backend_common.hpp"

namespace pelmora_dds
{
namespace fastdds
{

namespace dds = eprosima::fastdds::dds;
using eprosima::fastrtps::rtps::DiscoveryProtocol_t;
using eprosima::fastrtps::rtps::IPLocator;
using eprosima::fastrtps::rtps::Locator_t;

using std::chrono::milliseconds;

namespace
{

constexpr uint32_t kMiB = 1024 * 1024;
// Socket buffers for UDP: several 64 KB fragments of a large sample wait in
// them; the kernel caps the request at net.core.[rw]mem_max.
constexpr uint32_t kUdpSocketBuffer = 4 * kMiB;
// How often a reliable writer asks for acknowledgements: lost fragments of
// large samples are repaired after at most this (Fast DDS's default is 3 s).
const eprosima::fastrtps::Duration_t kHeartbeatPeriod(0, 100 * 1000 * 1000);

std::shared_ptr<eprosima::fastdds::rtps::SharedMemTransportDescriptor> shm_transport(
  const ResourcePlan & plan)
{
  auto shm = std::make_shared<eprosima::fastdds::rtps::SharedMemTransportDescriptor>();
  shm->segment_size(plan.segment_bytes);
  shm->port_queue_capacity(plan.port_queue_capacity);
  return shm;
}

std::shared_ptr<eprosima::fastdds::rtps::UDPv4TransportDescriptor> udp_transport(
  const std::vector<std::string> & interfaces)
{
  auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
  udp->interfaceWhiteList = interfaces;
  udp->sendBufferSize = kUdpSocketBuffer;
  udp->receiveBufferSize = kUdpSocketBuffer;
  return udp;
}

}  // namespace

eprosima::fastrtps::Duration_t to_duration(milliseconds ms)
{
  const auto count = std::max<int64_t>(0, ms.count());
  return eprosima::fastrtps::Duration_t(
    static_cast<int32_t>(count / 1000), static_cast<uint32_t>((count % 1000) * 1000000));
}

ResourcePlan plan_for(uint32_t largest_sample)
{
  ResourcePlan plan;
  // Large samples travel as fragments of at most 64 KB, each in its own
  // buffer of the sender's segment until every receiver has read it; room for
  // four of the largest samples keeps a reliable writer from stalling on a
  // full segment (Fast-DDS's default 512 KB is far too small for megabytes).
  const uint64_t segment = 4ull * largest_sample + kMiB;
  plan.segment_bytes = static_cast<uint32_t>(std::min<uint64_t>(segment, 1024ull * kMiB));
  // One descriptor per fragment waits in the receiver's port queue.
  plan.port_queue_capacity = static_cast<uint32_t>(
    std::clamp<uint64_t>(4ull * (largest_sample / 60000 + 1), 512, 8192));
  plan.keep_all_depth = keep_all_depth(largest_sample);
  return plan;
}

std::string apply_transport(
  const TransportOptions & transport, const ResourcePlan & plan, dds::DomainParticipantQos * qos)
{
  using Kind = TransportOptions::Kind;
  auto & builtin = qos->wire_protocol().builtin;
  const bool shm_only = transport.kind == Kind::shm;
  if (shm_only && !transport.peers.empty()) {
    return "--peer needs a UDP transport (--transport default or udp), not shm";
  }
  if (shm_only && !transport.interfaces.empty()) {
    return "--interface needs a UDP transport (--transport default or udp), not shm";
  }

  std::vector<std::string> interfaces = transport.interfaces;
  if (transport.localhost_only) {
    interfaces = {"127.0.0.1"};
  }
  // The built-in transports (UDPv4 and shared memory) stay untouched unless
  // something asks for another set.
  const bool replace = transport.kind != Kind::builtin || !interfaces.empty();
  if (replace) {
    qos->transport().use_builtin_transports = false;
    qos->transport().user_transports.clear();
    if (transport.kind != Kind::shm) {
      qos->transport().user_transports.push_back(udp_transport(interfaces));
    }
    if (transport.kind != Kind::udp) {
      qos->transport().user_transports.push_back(shm_transport(plan));
    }
  }

  if (shm_only) {
    // Every locator list that could name an IP address is cleared, so
    // discovery and data both stay in /dev/shm. A discovery server (UDP)
    // cannot be reached this way and is not asked for.
    builtin.discovery_config.discoveryProtocol = DiscoveryProtocol_t::SIMPLE;
    builtin.initialPeersList.clear();
    builtin.metatrafficUnicastLocatorList.clear();
    builtin.metatrafficMulticastLocatorList.clear();
    qos->wire_protocol().default_unicast_locator_list.clear();
    qos->wire_protocol().default_multicast_locator_list.clear();
    return std::string();
  }

  if (!transport.peers.empty()) {
    for (const std::string & address : transport.peers) {
      Locator_t peer;  // UDPv4, port 0: the well-known ports of the domain
      if (!IPLocator::setIPv4(peer, address)) {
        return "--peer " + address + " is not an IPv4 address";
      }
      builtin.initialPeersList.push_back(peer);
    }
    // A unicast metatraffic locator without address or port: every allowed
    // interface at the domain's well-known port, and no multicast at all.
    builtin.metatrafficMulticastLocatorList.clear();
    builtin.metatrafficUnicastLocatorList.clear();
    builtin.metatrafficUnicastLocatorList.push_back(Locator_t());
  }

  if (!transport.discovery_servers.empty()) {
    eprosima::fastdds::rtps::RemoteServerList_t servers;
    if (!eprosima::fastdds::rtps::load_environment_server_info(transport.discovery_servers, servers)) {
      return "ROS_DISCOVERY_SERVER='" + transport.discovery_servers +
             "' is not a ';'-separated list of server addresses (ADDRESS[:PORT])";
    }
    builtin.discovery_config.discoveryProtocol = DiscoveryProtocol_t::CLIENT;
    builtin.discovery_config.m_DiscoveryServers = servers;
  }
  return std::string();
}

void apply_lease(const QosOptions & ros, eprosima::fastdds::dds::DomainParticipantQos * qos)
{
  if (ros.liveliness_lease_ms == 0) {
    return;
  }
  // A killed peer stops announcing its participant; with the default lease
  // of 20 s a reliable writer would wait that long for a dead reader.
  auto & discovery = qos->wire_protocol().builtin.discovery_config;
  const milliseconds lease(std::max<uint32_t>(ros.liveliness_lease_ms, 1000));
  discovery.leaseDuration = to_duration(lease);
  discovery.leaseDuration_announcementperiod = to_duration(lease / 3);
}

namespace
{

// Sets `*kind` to the Fast DDS kind of `value`; system_default, which has
// none, leaves the profile's.
template<typename Value, typename Kind>
void set_kind(Value value, std::initializer_list<std::pair<Value, Kind>> kinds, Kind * kind)
{
  for (const auto & [ros, dds_kind] : kinds) {
    if (ros == value) {
      *kind = dds_kind;
    }
  }
}

// Writers and readers share these: the ROS policies, and pools that may
// grow past the type's 44-byte maximum (plain preallocation drops larger
// samples). Keep-all is bounded by the plan so megabyte samples cannot take
// all memory; a full history then holds the writer back.
template<typename Qos>
void apply_common(const QosOptions & ros, const ResourcePlan & plan, Qos * qos)
{
  using Reliability = QosOptions::Reliability;
  using Durability = QosOptions::Durability;
  using History = QosOptions::History;
  set_kind(ros.reliability, {{Reliability::reliable, dds::RELIABLE_RELIABILITY_QOS},
    {Reliability::best_effort, dds::BEST_EFFORT_RELIABILITY_QOS}}, &qos->reliability().kind);
  set_kind(ros.durability, {{Durability::volatile_, dds::VOLATILE_DURABILITY_QOS},
    {Durability::transient_local, dds::TRANSIENT_LOCAL_DURABILITY_QOS}}, &qos->durability().kind);
  set_kind(ros.history, {{History::keep_last, dds::KEEP_LAST_HISTORY_QOS},
    {History::keep_all, dds::KEEP_ALL_HISTORY_QOS}}, &qos->history().kind);
  if (ros.history == History::keep_last) {
    qos->history().depth = static_cast<int32_t>(ros.depth);
  }
  const int32_t depth = qos->history().kind == dds::KEEP_ALL_HISTORY_QOS ?
    plan.keep_all_depth : qos->history().depth;
  qos->resource_limits().max_instances = 1;
  qos->resource_limits().max_samples = depth;
  qos->resource_limits().max_samples_per_instance = depth;
  qos->resource_limits().allocated_samples = std::min(depth, 16);
  qos->endpoint().history_memory_policy =
    eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  qos->data_sharing().off();
  if (ros.liveliness_lease_ms != 0) {
    qos->liveliness().kind = dds::AUTOMATIC_LIVELINESS_QOS;
    qos->liveliness().lease_duration = to_duration(milliseconds(ros.liveliness_lease_ms));
    // Three assertions per lease, so one lost packet loses no liveliness.
    qos->liveliness().announcement_period = to_duration(milliseconds(ros.liveliness_lease_ms / 3));
  }
}

}  // namespace

void apply_qos(const QosOptions & ros, const ResourcePlan & plan, dds::DataWriterQos * qos)
{
  apply_common(ros, plan, qos);
  qos->reliability().max_blocking_time = to_duration(milliseconds(ros.max_blocking_ms));
  qos->reliable_writer_qos().times.heartbeatPeriod = kHeartbeatPeriod;
}

void apply_qos(const QosOptions & ros, const ResourcePlan & plan, dds::DataReaderQos * qos)
{
  apply_common(ros, plan, qos);
}

}  // namespace fastdds
}  // namespace pelmora_dds
