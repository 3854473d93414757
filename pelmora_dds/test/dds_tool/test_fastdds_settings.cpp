// The Fast DDS settings made from endpoint options: which transports and
// locators a participant gets, and the ROS QoS on writers and readers.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <fastdds/rtps/transport/shared_mem/SharedMemTransportDescriptor.h>

#include "fastdds/settings.hpp"

namespace
{

namespace dds = eprosima::fastdds::dds;
using eprosima::fastdds::rtps::SharedMemTransportDescriptor;
using eprosima::fastdds::rtps::UDPv4TransportDescriptor;
using eprosima::fastrtps::rtps::DiscoveryProtocol_t;
// The options, and the settings made from them.
using namespace pelmora_dds;
using namespace pelmora_dds::fastdds;

struct Transports
{
  int udp = 0;
  int shm = 0;
  std::vector<std::string> whitelist;
};

Transports transports_of(const dds::DomainParticipantQos & qos)
{
  Transports t;
  for (const auto & descriptor : qos.transport().user_transports) {
    if (auto udp = std::dynamic_pointer_cast<UDPv4TransportDescriptor>(descriptor)) {
      ++t.udp;
      t.whitelist = udp->interfaceWhiteList;
    } else if (std::dynamic_pointer_cast<SharedMemTransportDescriptor>(descriptor)) {
      ++t.shm;
    }
  }
  return t;
}

dds::DomainParticipantQos made(const TransportOptions & transport, std::string * error = nullptr)
{
  dds::DomainParticipantQos qos = dds::PARTICIPANT_QOS_DEFAULT;
  const std::string why = apply_transport(transport, plan_for(1000), &qos);
  if (error != nullptr) {
    *error = why;
  } else {
    EXPECT_EQ(why, "");
  }
  return qos;
}

TEST(FastddsTransport, DefaultKeepsTheBuiltinTransportsAndMulticastDiscovery)
{
  const dds::DomainParticipantQos qos = made(TransportOptions{});
  EXPECT_TRUE(qos.transport().use_builtin_transports);
  EXPECT_TRUE(qos.transport().user_transports.empty());
  EXPECT_EQ(qos.wire_protocol().builtin.discovery_config.discoveryProtocol, DiscoveryProtocol_t::SIMPLE);
  EXPECT_TRUE(qos.wire_protocol().builtin.initialPeersList.empty());
  EXPECT_TRUE(qos.wire_protocol().builtin.metatrafficUnicastLocatorList.empty());
}

TEST(FastddsTransport, SharedMemoryOnlyLeavesNoLocatorThatCouldNameAnAddress)
{
  TransportOptions t;
  t.kind = TransportOptions::Kind::shm;
  t.discovery_servers = "10.0.0.1";  // cannot be reached without UDP: ignored
  const dds::DomainParticipantQos qos = made(t);
  EXPECT_FALSE(qos.transport().use_builtin_transports);
  const Transports got = transports_of(qos);
  EXPECT_EQ(got.udp, 0);
  EXPECT_EQ(got.shm, 1);
  const auto & builtin = qos.wire_protocol().builtin;
  EXPECT_EQ(builtin.discovery_config.discoveryProtocol, DiscoveryProtocol_t::SIMPLE);
  EXPECT_TRUE(builtin.initialPeersList.empty());
  EXPECT_TRUE(builtin.metatrafficUnicastLocatorList.empty());
  EXPECT_TRUE(builtin.metatrafficMulticastLocatorList.empty());
  EXPECT_TRUE(qos.wire_protocol().default_unicast_locator_list.empty());
  EXPECT_TRUE(qos.wire_protocol().default_multicast_locator_list.empty());
}

TEST(FastddsTransport, SharedMemoryRefusesPeersAndInterfaces)
{
  TransportOptions t;
  t.kind = TransportOptions::Kind::shm;
  t.peers = {"127.0.0.1"};
  std::string error;
  made(t, &error);
  EXPECT_NE(error.find("--peer"), std::string::npos) << error;
  t.peers.clear();
  t.interfaces = {"127.0.0.1"};
  made(t, &error);
  EXPECT_NE(error.find("--interface"), std::string::npos) << error;
}

TEST(FastddsTransport, UdpWithPeersUsesUnicastDiscoveryOnly)
{
  TransportOptions t;
  t.kind = TransportOptions::Kind::udp;
  t.interfaces = {"127.0.0.1"};
  t.peers = {"127.0.0.1", "10.9.8.7"};
  const dds::DomainParticipantQos qos = made(t);
  const Transports got = transports_of(qos);
  EXPECT_EQ(got.udp, 1);
  EXPECT_EQ(got.shm, 0);
  EXPECT_EQ(got.whitelist, std::vector<std::string>{"127.0.0.1"});
  const auto & builtin = qos.wire_protocol().builtin;
  ASSERT_EQ(builtin.initialPeersList.size(), 2u);
  const auto & first = *builtin.initialPeersList.begin();
  EXPECT_EQ(first.kind, LOCATOR_KIND_UDPv4);
  EXPECT_EQ(first.port, 0u);  // the domain's well-known ports
  EXPECT_EQ(eprosima::fastrtps::rtps::IPLocator::toIPv4string(first), "127.0.0.1");
  EXPECT_TRUE(builtin.metatrafficMulticastLocatorList.empty());
  ASSERT_EQ(builtin.metatrafficUnicastLocatorList.size(), 1u);
  EXPECT_EQ(builtin.metatrafficUnicastLocatorList.begin()->port, 0u);
}

TEST(FastddsTransport, InterfacesOrLocalhostOnlyReplaceTheBuiltinsWithWhitelistedUdpAndShm)
{
  TransportOptions t;
  t.interfaces = {"10.1.1.1"};
  Transports got = transports_of(made(t));
  EXPECT_EQ(got.udp, 1);
  EXPECT_EQ(got.shm, 1);
  EXPECT_EQ(got.whitelist, std::vector<std::string>{"10.1.1.1"});

  t.localhost_only = true;  // wins over the given interfaces, as in rmw_fastrtps
  got = transports_of(made(t));
  EXPECT_EQ(got.whitelist, std::vector<std::string>{"127.0.0.1"});
}

TEST(FastddsTransport, DiscoveryServerListMakesAClientOfEachServerById)
{
  TransportOptions t;
  t.discovery_servers = "10.0.0.1:11888;;10.0.0.3";
  const dds::DomainParticipantQos qos = made(t);
  const auto & discovery = qos.wire_protocol().builtin.discovery_config;
  EXPECT_EQ(discovery.discoveryProtocol, DiscoveryProtocol_t::CLIENT);
  ASSERT_EQ(discovery.m_DiscoveryServers.size(), 2u);
  eprosima::fastrtps::rtps::GuidPrefix_t third;
  ASSERT_TRUE(eprosima::fastdds::rtps::get_server_client_default_guidPrefix(2, third));
  EXPECT_EQ(discovery.m_DiscoveryServers.back().guidPrefix, third);
  EXPECT_EQ(discovery.m_DiscoveryServers.front().metatrafficUnicastLocatorList.begin()->port, 11888u);
  EXPECT_EQ(discovery.m_DiscoveryServers.back().metatrafficUnicastLocatorList.begin()->port, 11811u);

  t.discovery_servers = "not an address;";
  std::string error;
  made(t, &error);
  EXPECT_NE(error.find("ROS_DISCOVERY_SERVER"), std::string::npos) << error;
}

TEST(FastddsQos, RosDefaultsBecomeReliableVolatileKeepLastTen)
{
  const dds::DataWriterQos writer = with_ros_qos(dds::DATAWRITER_QOS_DEFAULT, QosOptions{}, plan_for(1000));
  const dds::DataReaderQos reader = with_ros_qos(dds::DATAREADER_QOS_DEFAULT, QosOptions{}, plan_for(1000));
  EXPECT_EQ(writer.reliability().kind, dds::RELIABLE_RELIABILITY_QOS);
  EXPECT_EQ(writer.durability().kind, dds::VOLATILE_DURABILITY_QOS);
  EXPECT_EQ(writer.history().kind, dds::KEEP_LAST_HISTORY_QOS);
  EXPECT_EQ(writer.history().depth, 10);
  EXPECT_EQ(reader.reliability().kind, dds::RELIABLE_RELIABILITY_QOS);
  EXPECT_EQ(reader.durability().kind, dds::VOLATILE_DURABILITY_QOS);
  EXPECT_EQ(reader.history().depth, 10);
  // Fast DDS refuses a keep-last depth above the per-instance limit.
  EXPECT_GE(writer.resource_limits().max_samples_per_instance, writer.history().depth);
  EXPECT_GE(reader.resource_limits().max_samples_per_instance, reader.history().depth);
}

TEST(FastddsQos, SystemDefaultLeavesThePolicyAsTheProfileHasIt)
{
  QosOptions ros;
  ros.reliability = QosOptions::Reliability::system_default;
  ros.durability = QosOptions::Durability::system_default;
  dds::DataReaderQos reader = dds::DATAREADER_QOS_DEFAULT;
  reader.reliability().kind = dds::BEST_EFFORT_RELIABILITY_QOS;
  reader.durability().kind = dds::TRANSIENT_LOCAL_DURABILITY_QOS;
  apply_qos(ros, plan_for(1000), &reader);
  EXPECT_EQ(reader.reliability().kind, dds::BEST_EFFORT_RELIABILITY_QOS);
  EXPECT_EQ(reader.durability().kind, dds::TRANSIENT_LOCAL_DURABILITY_QOS);
}

TEST(FastddsQos, KeepAllHistoryIsBoundedByTheSampleSize)
{
  QosOptions ros;
  ros.history = QosOptions::History::keep_all;
  const dds::DataWriterQos small = with_ros_qos(dds::DATAWRITER_QOS_DEFAULT, ros, plan_for(100));
  const dds::DataWriterQos large = with_ros_qos(dds::DATAWRITER_QOS_DEFAULT, ros, plan_for(4 * 1024 * 1024));
  EXPECT_EQ(small.history().kind, dds::KEEP_ALL_HISTORY_QOS);
  EXPECT_EQ(small.resource_limits().max_samples, 256);
  EXPECT_EQ(large.resource_limits().max_samples, 16);
}

// A killed peer must be noticed within the lease: the writer's and reader's
// liveliness, and the participant's own lease, which decides when a writer
// stops waiting for a dead reader. Without a lease nothing is shortened.
TEST(FastddsQos, ALivelinessLeaseShortensTheEndpointsAndTheParticipantLease)
{
  QosOptions ros;
  ros.liveliness_lease_ms = 1500;
  ros.max_blocking_ms = 10;
  const dds::DataWriterQos writer = with_ros_qos(dds::DATAWRITER_QOS_DEFAULT, ros, plan_for(1000));
  const dds::DataReaderQos reader = with_ros_qos(dds::DATAREADER_QOS_DEFAULT, ros, plan_for(1000));
  dds::DomainParticipantQos participant = dds::PARTICIPANT_QOS_DEFAULT;
  apply_lease(ros, &participant);
  EXPECT_EQ(writer.liveliness().kind, dds::AUTOMATIC_LIVELINESS_QOS);
  EXPECT_EQ(writer.liveliness().lease_duration, eprosima::fastrtps::Duration_t(1, 500000000));
  EXPECT_EQ(writer.liveliness().announcement_period, eprosima::fastrtps::Duration_t(0, 500000000));
  EXPECT_EQ(reader.liveliness().lease_duration, eprosima::fastrtps::Duration_t(1, 500000000));
  EXPECT_EQ(writer.reliability().max_blocking_time, eprosima::fastrtps::Duration_t(0, 10000000));
  const auto & discovery = participant.wire_protocol().builtin.discovery_config;
  EXPECT_EQ(discovery.leaseDuration, eprosima::fastrtps::Duration_t(1, 500000000));
  EXPECT_EQ(discovery.leaseDuration_announcementperiod, eprosima::fastrtps::Duration_t(0, 500000000));

  const dds::DataReaderQos untouched =
    with_ros_qos(dds::DATAREADER_QOS_DEFAULT, QosOptions{}, plan_for(1000));
  dds::DomainParticipantQos default_participant = dds::PARTICIPANT_QOS_DEFAULT;
  apply_lease(QosOptions{}, &default_participant);
  EXPECT_EQ(untouched.liveliness().lease_duration, dds::DATAREADER_QOS_DEFAULT.liveliness().lease_duration);
  EXPECT_EQ(default_participant.wire_protocol().builtin.discovery_config.leaseDuration,
    dds::PARTICIPANT_QOS_DEFAULT.wire_protocol().builtin.discovery_config.leaseDuration);
}

}  // namespace
