// The Cyclone DDS settings made from endpoint options: the participant's
// configuration (checked by Cyclone's own parser), the QoS of writers and
// readers, and what the seam hands the Cyclone backend.
#include <gtest/gtest.h>

#include <string>

#include <dds/dds.h>

#include "cyclonedds/settings.hpp"
#include "pelmora/msg/features.h"
#include "pelmora_dds/endpoint.hpp"

namespace
{

// The options, and the settings made from them.
using namespace pelmora_dds;
using namespace pelmora_dds::cyclonedds;

bool contains(const std::string & text, const std::string & part)
{
  return text.find(part) != std::string::npos;
}

TEST(CycloneSettings, TransportsMapToInterfacesPeersAndMulticast)
{
  EndpointOptions options;
  ParticipantSettings s;
  ASSERT_EQ(participant_settings(options, &s), "");
  EXPECT_TRUE(s.interfaces.empty());
  EXPECT_TRUE(s.multicast) << "built-in transports discover by multicast";

  options.transport.kind = TransportOptions::Kind::udp;
  options.transport.interfaces = {"10.1.2.3"};
  options.transport.peers = {"10.1.2.4"};
  ASSERT_EQ(participant_settings(options, &s), "");
  EXPECT_EQ(s.interfaces, std::vector<std::string>{"10.1.2.3"});
  EXPECT_FALSE(s.multicast) << "peers given: unicast discovery only";

  EndpointOptions local;
  local.transport.localhost_only = true;
  ASSERT_EQ(participant_settings(local, &s), "");
  EXPECT_EQ(s.interfaces, std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(s.peers, std::vector<std::string>{"127.0.0.1"});
  EXPECT_FALSE(s.multicast);
}

TEST(CycloneSettings, WhatCycloneCannotDoIsRefusedWithTheReason)
{
  EndpointOptions shm;
  shm.transport.kind = TransportOptions::Kind::shm;
  ParticipantSettings s;
  EXPECT_TRUE(contains(participant_settings(shm, &s), "iceoryx"));

  EndpointOptions server;
  server.transport.discovery_servers = "127.0.0.1:11811";
  EXPECT_TRUE(contains(participant_settings(server, &s), "discovery server"));
}

TEST(CycloneSettings, ConfigurationIsWhatCycloneAccepts)
{
  ParticipantSettings s;
  s.domain = 217;
  s.interfaces = {"127.0.0.1"};
  s.peers = {"127.0.0.1", "127.0.0.1:7412"};
  s.multicast = false;
  const std::string xml = config_xml(s);
  EXPECT_TRUE(contains(xml, "<Domain id=\"217\">"));
  EXPECT_TRUE(contains(xml, "<NetworkInterface address=\"127.0.0.1\"/>"));
  EXPECT_TRUE(contains(xml, "<AllowMulticast>false</AllowMulticast>"));
  EXPECT_TRUE(contains(xml, "<Peer address=\"127.0.0.1:7412\"/>"));
  const dds_entity_t domain = dds_create_domain(217, xml.c_str());
  EXPECT_GT(domain, 0) << dds_strretcode(domain) << "\n" << xml;
  dds_delete(domain);

  s.interfaces = {"eth\"0&"};
  s.multicast = true;
  const std::string named = config_xml(s);
  EXPECT_TRUE(contains(named, "<NetworkInterface name=\"eth&quot;0&amp;\"/>")) << named;
  EXPECT_TRUE(contains(named, "<AllowMulticast>spdp</AllowMulticast>"));
}

TEST(CycloneSettings, RosQosBecomesCycloneQos)
{
  QosOptions ros;
  ros.reliability = QosOptions::Reliability::best_effort;
  ros.durability = QosOptions::Durability::transient_local;
  ros.history = QosOptions::History::keep_last;
  ros.depth = 7;
  dds_qos_t * qos = endpoint_qos(ros, 1024);
  dds_reliability_kind_t reliability;
  dds_durability_kind_t durability;
  dds_history_kind_t history;
  int32_t depth = 0;
  ASSERT_TRUE(dds_qget_reliability(qos, &reliability, nullptr));
  EXPECT_EQ(reliability, DDS_RELIABILITY_BEST_EFFORT);
  ASSERT_TRUE(dds_qget_durability(qos, &durability));
  EXPECT_EQ(durability, DDS_DURABILITY_TRANSIENT_LOCAL);
  ASSERT_TRUE(dds_qget_history(qos, &history, &depth));
  EXPECT_EQ(history, DDS_HISTORY_KEEP_LAST);
  EXPECT_EQ(depth, 7);
  uint32_t n = 0;
  dds_data_representation_id_t * representations = nullptr;
  ASSERT_TRUE(dds_qget_data_representation(qos, &n, &representations));
  ASSERT_EQ(n, 1u);
  EXPECT_EQ(representations[0], DDS_DATA_REPRESENTATION_XCDR1);
  dds_free(representations);
  dds_delete_qos(qos);

  QosOptions unset;
  unset.reliability = QosOptions::Reliability::system_default;
  unset.durability = QosOptions::Durability::system_default;
  unset.history = QosOptions::History::keep_all;
  qos = endpoint_qos(unset, 4u << 20);
  EXPECT_FALSE(dds_qget_reliability(qos, &reliability, nullptr));
  EXPECT_FALSE(dds_qget_durability(qos, &durability));
  ASSERT_TRUE(dds_qget_history(qos, &history, &depth));
  EXPECT_EQ(history, DDS_HISTORY_KEEP_ALL);
  int32_t samples = 0;
  ASSERT_TRUE(dds_qget_resource_limits(qos, &samples, nullptr, nullptr));
  EXPECT_EQ(samples, 16) << "64 MB of 4 MB samples";
  dds_delete_qos(qos);
}

TEST(CycloneSettings, SeamAsksTheHandleForTheIntrospectionTypeSupport)
{
  EndpointOptions options;
  options.vendor = "cyclonedds";
  options.transport.kind = TransportOptions::Kind::shm;  // refused before any entity is made
  std::string error;
  const rosidl_message_type_support_t * dispatcher =
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
  EXPECT_EQ(pelmora_dds::Endpoint::create(pelmora_dds::Endpoint::Role::reader, dispatcher, options, &error), nullptr);
  EXPECT_TRUE(contains(error, "iceoryx")) << error;

  // A Fast-CDR type support alone cannot give the introspection one.
  const rosidl_message_type_support_t * fast_cdr =
    pelmora_dds::resolve_type_support(dispatcher, "rosidl_typesupport_fastrtps_c", &error);
  ASSERT_NE(fast_cdr, nullptr) << error;
  EXPECT_EQ(pelmora_dds::Endpoint::create(pelmora_dds::Endpoint::Role::reader, fast_cdr, options, &error), nullptr);
  EXPECT_TRUE(contains(error, "rosidl_typesupport_introspection_c")) << error;
}

}  // namespace
