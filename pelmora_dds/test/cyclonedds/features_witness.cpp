// An independent Cyclone DDS peer for the interoperability tests: its
// Features type is what idlc generates from msg/Features.idl, serialized
// by Cyclone's own generated-type machinery, not by anything of the
// package. It registers the type under the ROS 2 name so that ROS peers
// match it.
//
//   features_witness pub  --topic T --domain D --count N --size K[,K..] --seed S
//                         --peers R --timeout SEC [--interface A].. [--peer P].. [--multicast]
//   features_witness echo --topic T --domain D --count N --seed S --timeout SEC [...]
//
// Exit status: 0 every sample right, 1 a sample wrong, 2 timed out,
// 3 set-up failed, 64 usage.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <thread>
#include <vector>

#include <dds/dds.h>

#include "Features.h"
#include "features_content.hpp"
#include "run_options.hpp"

namespace
{

using pelmora_cyclonedds_peer::Clock;
using pelmora_cyclonedds_peer::left_until;
using pelmora_dds::FeaturesView;

struct Args : pelmora_cyclonedds_peer::RunOptions
{
  std::string command;
  std::string topic = "rt/pelmora_features";
  uint32_t domain = 0;
  std::vector<std::string> interfaces;
  std::vector<std::string> peer_addresses;
  bool multicast = false;
};

// The run's arguments, or the exit status of a command line that does not parse.
int parse(int argc, char ** argv, Args * a)
{
  CLI::App app("an idlc-typed Cyclone DDS peer of Features", "features_witness");
  app.add_option("command", a->command, "pub or echo")->required()->check(CLI::IsMember({"pub", "echo"}));
  pelmora_cyclonedds_peer::add_run_options(app, *a);
  app.add_option("--topic", a->topic, "DDS topic name");
  app.add_option("--domain", a->domain, "DDS domain");
  app.add_option("--interface", a->interfaces, "network interface address (repeatable)");
  app.add_option("--peer", a->peer_addresses, "unicast discovery peer (repeatable)");
  app.add_flag("--multicast", a->multicast, "discovery by multicast");
  const int usage = pelmora_cyclonedds_peer::parse(app, argc, argv);
  if (usage >= 0) {
    return usage;
  }
  // Without multicast, loopback only unless told otherwise: nothing leaves
  // the machine by default.
  if (!a->multicast && a->interfaces.empty()) {
    a->interfaces.push_back("127.0.0.1");
  }
  if (!a->multicast && a->peer_addresses.empty()) {
    a->peer_addresses.push_back("127.0.0.1");
  }
  return -1;
}

std::string config(const Args & a)
{
  std::string xml = "<CycloneDDS><Domain id=\"" + std::to_string(a.domain) + "\"><General>";
  if (!a.interfaces.empty()) {
    xml += "<Interfaces>";
    for (const auto & i : a.interfaces) {
      xml += "<NetworkInterface address=\"" + i + "\"/>";
    }
    xml += "</Interfaces>";
  }
  xml += std::string("<AllowMulticast>") + (a.multicast ? "spdp" : "false") +
    "</AllowMulticast></General><Discovery><ParticipantIndex>auto</ParticipantIndex>"
    "<MaxAutoParticipantIndex>32</MaxAutoParticipantIndex><Peers>";
  for (const auto & p : a.peer_addresses) {
    xml += "<Peer address=\"" + p + "\"/>";
  }
  return xml + "</Peers></Discovery></Domain></CycloneDDS>";
}

// Calls visit(field, sequence) for idlc's eight sequences in field order.
template<typename Message, typename Visit>
void for_each_sequence(Message & m, Visit visit)
{
  size_t field = 0;
  visit(field++, m.descriptor);
  visit(field++, m.uniqueid);
  visit(field++, m.isrightimage);
  visit(field++, m.patternzise);
  visit(field++, m.confidence);
  visit(field++, m.x);
  visit(field++, m.y);
  visit(field++, m.angle);
}

FeaturesView view_of(const pelmora_msg_Features & m)
{
  FeaturesView v;
  v.keypointnumber = m.keypointnumber;
  v.descriptorsize = m.descriptorsize;
  for_each_sequence(m, [&v](size_t field, const auto & s) {v.sequences[field] = {s._buffer, s._length};});
  return v;
}

// Sample `index` of the run in idlc's representation; free with
// pelmora_msg_Features_free(.., DDS_FREE_CONTENTS).
void fill(pelmora_msg_Features * m, const Args & a, uint32_t index)
{
  const uint32_t k = a.sizes[index % a.sizes.size()];
  std::memset(m, 0, sizeof(*m));
  m->keypointnumber = k;
  m->descriptorsize = pelmora_dds::kDescriptorBytes;
  for_each_sequence(*m, [&](size_t field, auto & s) {
    using Element = std::remove_pointer_t<decltype(s._buffer)>;
    const auto f = static_cast<uint32_t>(field);
    const auto n = static_cast<uint32_t>(pelmora_dds::sequence_length(f, k));
    s._buffer = static_cast<Element *>(dds_alloc(sizeof(Element) * (n + 1)));
    s._length = s._maximum = n;
    s._release = true;
    pelmora_dds::fill_sequence(s._buffer, n, a.seed, index, f);
  });
}

int run(const Args & a)
{
  const auto deadline = a.deadline();
  if (dds_create_domain(a.domain, config(a).c_str()) < 0) {
    std::fprintf(stderr, "features_witness: cannot configure the domain\n");
    return 3;
  }
  const dds_entity_t participant = dds_create_participant(a.domain, nullptr, nullptr);
  // idlc's descriptor under the ROS 2 type name.
  const dds_topic_descriptor_t & g = pelmora_msg_Features_desc;
  const dds_topic_descriptor_t descriptor = {
    g.m_size, g.m_align, g.m_flagset, g.m_nkeys, "pelmora::msg::dds_::Features_", g.m_keys,
    g.m_nops, g.m_ops, g.m_meta, g.type_information, g.type_mapping, g.restrict_data_representation};
  dds_qos_t * qos = dds_create_qos();
  dds_qset_reliability(qos, DDS_RELIABILITY_RELIABLE, DDS_MSECS(100));
  dds_qset_durability(qos, DDS_DURABILITY_TRANSIENT_LOCAL);
  dds_qset_history(qos, DDS_HISTORY_KEEP_ALL, 0);
  dds_qset_resource_limits(qos, 16, 1, 16);
  dds_qset_durability_service(qos, 0, DDS_HISTORY_KEEP_LAST, 16, 16, 1, 16);
  const dds_data_representation_id_t xcdr1 = DDS_DATA_REPRESENTATION_XCDR1;
  dds_qset_data_representation(qos, 1, &xcdr1);
  const dds_entity_t topic = dds_create_topic(participant, &descriptor, a.topic.c_str(), qos, nullptr);
  const bool writer = a.command == "pub";
  const dds_entity_t endpoint = writer ? dds_create_writer(participant, topic, qos, nullptr) :
    dds_create_reader(participant, topic, qos, nullptr);
  dds_delete_qos(qos);
  if (participant < 0 || topic < 0 || endpoint < 0) {
    std::fprintf(stderr, "features_witness: set-up failed: %s\n",
      dds_strretcode(endpoint < 0 ? endpoint : topic < 0 ? topic : participant));
    return 3;
  }
  int status = 0;
  if (writer) {
    for (;;) {
      dds_publication_matched_status_t m;
      dds_get_publication_matched_status(endpoint, &m);
      if (m.current_count >= a.peers) {
        break;
      }
      if (Clock::now() > deadline) {
        std::fprintf(stderr, "features_witness: no reader\n");
        return 2;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (uint32_t i = 0; i < a.count && status == 0; ++i) {
      pelmora_msg_Features m;
      fill(&m, a, i);
      dds_return_t rc;
      while ((rc = dds_write(endpoint, &m)) == DDS_RETCODE_TIMEOUT && Clock::now() < deadline) {
      }
      pelmora_msg_Features_free(&m, DDS_FREE_CONTENTS);
      status = rc == DDS_RETCODE_OK ? 0 : rc == DDS_RETCODE_TIMEOUT ? 2 : 3;
    }
    if (status == 0 && dds_wait_for_acks(endpoint, DDS_MSECS(left_until(deadline).count())) != 0) {
      status = 2;
    }
    std::printf("witness published %u\n", a.count);
  } else {
    const dds_entity_t waitset = dds_create_waitset(participant);
    dds_waitset_attach(waitset, dds_create_readcondition(endpoint, DDS_ANY_STATE), 0);
    uint32_t received = 0, verified = 0;
    while (received < a.count && status == 0) {
      void * sample = nullptr;
      dds_sample_info_t info;
      const dds_return_t n = dds_take(endpoint, &sample, &info, 1, 1);
      if (n == 1 && info.valid_data) {
        const std::string problem = pelmora_dds::verify(view_of(*static_cast<pelmora_msg_Features *>(sample)), a.seed);
        ++received;
        if (problem.empty()) {
          ++verified;
        } else {
          std::fprintf(stderr, "features_witness: sample %u: %s\n", received - 1, problem.c_str());
          status = 1;
        }
      }
      if (n > 0) {
        dds_return_loan(endpoint, &sample, n);
        continue;
      }
      const auto left = left_until(deadline);
      if (left.count() <= 0) {
        status = 2;
        break;
      }
      dds_waitset_wait(waitset, nullptr, 0, DDS_MSECS(left.count()));
    }
    std::printf("witness received %u verified %u\n", received, verified);
  }
  dds_delete(DDS_CYCLONEDDS_HANDLE);
  return status;
}

}  // namespace

int main(int argc, char ** argv)
{
  Args args;
  const int usage = parse(argc, argv, &args);
  return usage >= 0 ? usage : run(args);
}
