// A stand-in for a default ROS 2 node publishing or subscribing Features
// with Fast DDS, built without any of the package's code paths for the wire:
// a participant with Fast DDS's default settings (built-in transports,
// multicast discovery), rclcpp's default QoS (reliable, volatile, keep-last
// 10, pools that grow as rmw_fastrtps sets them), and samples as raw bytes
// under the ROS type name pelmora::msg::dds_::Features_.
//
//   ros_node_standin pub  [--topic rt/features] [--count N] [--size K,..]
//                         [--seed S] [--peers R] [--payload KIND] [--timeout SEC]
//                         [--payloads FILE] [--interval MS] [--loopback]
//   ros_node_standin echo [--topic rt/features] [--count N] [--verify-seed S]
//                         [--timeout SEC] [--loopback]
//
// The default settings send multicast: run it only inside network
// namespaces made for the test, or with --loopback (UDP on 127.0.0.1,
// unicast discovery, no multicast). The domain is ROS_DOMAIN_ID (else 0).
// Prints one summary line like pelmora-dds; exit 0 when every sample went
// (pub) or arrived right and in order (echo), 1 a wrong sample, 2 timeout,
// 3 DDS set-up failure, 64 usage.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>
#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>
#include <fastdds/dds/topic/TopicDataType.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>
#include <fastdds/rtps/common/SerializedPayload.h>
#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <fastrtps/utils/IPLocator.h>

#include "payloads.hpp"

namespace
{

namespace dds = eprosima::fastdds::dds;
using eprosima::fastrtps::rtps::SerializedPayload_t;
using pelmora_standin::Bytes;
using Clock = std::chrono::steady_clock;

enum Exit { kOk = 0, kWrong = 1, kTimeout = 2, kSetup = 3, kUsage = 64 };

// Samples are whole payloads: the bytes go on the wire as they are.
class RawBytesType final : public dds::TopicDataType
{
public:
  RawBytesType()
  {
    setName("pelmora::msg::dds_::Features_");
    m_typeSize = 4 + 40;  // header and an all-empty sample; pools grow past it
    m_isGetKeyDefined = false;
  }

  bool serialize(void * data, SerializedPayload_t * payload) override
  {
    const Bytes & bytes = *static_cast<Bytes *>(data);
    if (payload->max_size < bytes.size()) {
      return false;
    }
    if (!bytes.empty()) {
      std::memcpy(payload->data, bytes.data(), bytes.size());
    }
    payload->length = static_cast<uint32_t>(bytes.size());
    payload->encapsulation = bytes.size() > 1 && bytes[1] == 0x01 ? CDR_LE : CDR_BE;
    return true;
  }

  bool deserialize(SerializedPayload_t * payload, void * data) override
  {
    static_cast<Bytes *>(data)->assign(payload->data, payload->data + payload->length);
    return true;
  }

  std::function<uint32_t()> getSerializedSizeProvider(void * data) override
  {
    return [data]() {return static_cast<uint32_t>(static_cast<Bytes *>(data)->size());};
  }

  void * createData() override {return new Bytes();}
  void deleteData(void * data) override {delete static_cast<Bytes *>(data);}
  bool getKey(void *, eprosima::fastrtps::rtps::InstanceHandle_t *, bool) override {return false;}
};

struct Options
{
  std::string topic = "rt/features";
  int64_t count = 10;
  std::vector<uint32_t> keypoints{0};
  uint32_t seed = 1;
  std::string payload = "features";
  std::string payloads_file;  ///< send these payloads instead, in order
  uint32_t interval_ms = 0;   ///< pause between samples
  uint32_t settle_ms = 0;     ///< pause between matching and the first sample
  double timeout = 60;
  bool loopback = false;
  bool verify = false;
  int32_t peers = 1;
};

uint32_t domain_from_environment()
{
  const char * text = std::getenv("ROS_DOMAIN_ID");
  return text != nullptr && text[0] != '\0' ? static_cast<uint32_t>(std::strtoul(text, nullptr, 0)) : 0;
}

// Fast DDS's defaults, or UDP on 127.0.0.1 with unicast discovery only.
dds::DomainParticipantQos participant_qos(bool loopback)
{
  dds::DomainParticipantQos qos = dds::PARTICIPANT_QOS_DEFAULT;
  if (loopback) {
    auto udp = std::make_shared<eprosima::fastdds::rtps::UDPv4TransportDescriptor>();
    udp->interfaceWhiteList = {"127.0.0.1"};
    qos.transport().use_builtin_transports = false;
    qos.transport().user_transports = {udp};
    eprosima::fastrtps::rtps::Locator_t peer;
    eprosima::fastrtps::rtps::IPLocator::setIPv4(peer, 127, 0, 0, 1);
    qos.wire_protocol().builtin.initialPeersList.push_back(peer);
    qos.wire_protocol().builtin.metatrafficUnicastLocatorList.push_back(
      eprosima::fastrtps::rtps::Locator_t());
  }
  return qos;
}

// rclcpp's default QoS as rmw_fastrtps applies it.
template<typename Qos>
Qos ros_default(Qos qos)
{
  qos.reliability().kind = dds::RELIABLE_RELIABILITY_QOS;
  qos.durability().kind = dds::VOLATILE_DURABILITY_QOS;
  qos.history().kind = dds::KEEP_LAST_HISTORY_QOS;
  qos.history().depth = 10;
  qos.endpoint().history_memory_policy =
    eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  return qos;
}

class Node
{
public:
  ~Node()
  {
    if (participant != nullptr) {
      participant->delete_contained_entities();
      dds::DomainParticipantFactory::get_instance()->delete_participant(participant);
    }
  }

  bool open(const Options & o)
  {
    participant = dds::DomainParticipantFactory::get_instance()->create_participant(
      domain_from_environment(), participant_qos(o.loopback));
    if (participant == nullptr) {
      return false;
    }
    dds::TypeSupport type(new RawBytesType());
    if (type.register_type(participant) != ReturnCode_t::RETCODE_OK) {
      return false;
    }
    topic = participant->create_topic(o.topic, type.get_type_name(), dds::TOPIC_QOS_DEFAULT);
    return topic != nullptr;
  }

  // A writer or a reader with rclcpp's default QoS on the topic of `o`;
  // nullptr when any step fails.
  dds::DataWriter * writer(const Options & o)
  {
    dds::Publisher * publisher = open(o) ? participant->create_publisher(dds::PUBLISHER_QOS_DEFAULT) : nullptr;
    return publisher == nullptr ? nullptr :
           publisher->create_datawriter(topic, ros_default(dds::DATAWRITER_QOS_DEFAULT));
  }

  dds::DataReader * reader(const Options & o)
  {
    dds::Subscriber * subscriber = open(o) ? participant->create_subscriber(dds::SUBSCRIBER_QOS_DEFAULT) : nullptr;
    return subscriber == nullptr ? nullptr :
           subscriber->create_datareader(topic, ros_default(dds::DATAREADER_QOS_DEFAULT));
  }

  dds::DomainParticipant * participant = nullptr;
  dds::Topic * topic = nullptr;
};

// Waits until `peers` readers matched `writer`; false at the deadline.
bool wait_for_readers(dds::DataWriter * writer, int32_t peers, Clock::time_point deadline)
{
  dds::PublicationMatchedStatus status;
  writer->get_publication_matched_status(status);
  while (status.current_count < peers) {
    if (Clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    writer->get_publication_matched_status(status);
  }
  return true;
}

int run_pub(const Options & o, Clock::time_point deadline)
{
  const pelmora_standin::PayloadKind * kind = pelmora_standin::find_payload_kind(o.payload);
  Node node;
  dds::DataWriter * writer = node.writer(o);
  if (writer == nullptr) {
    std::fprintf(stderr, "standin pub: cannot create a writer on %s\n", o.topic.c_str());
    return kSetup;
  }
  if (!wait_for_readers(writer, o.peers, deadline)) {
    std::fprintf(stderr, "standin pub: no reader matched on %s\n", o.topic.c_str());
    return kTimeout;
  }
  std::vector<Bytes> from_file;
  if (!o.payloads_file.empty()) {
    std::string error;
    from_file = pelmora_standin::payloads_from_file(o.payloads_file, &error);
    if (from_file.empty()) {
      std::fprintf(stderr, "standin pub: %s\n", error.c_str());
      return kUsage;
    }
  }
  const int64_t count = from_file.empty() ? o.count : static_cast<int64_t>(from_file.size());
  // This writer may match a reader before the reader has matched it; a
  // volatile reader then never sees what was written in between.
  std::this_thread::sleep_for(std::chrono::milliseconds(o.settle_ms));
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t keypoints = o.keypoints[static_cast<size_t>(i) % o.keypoints.size()];
    Bytes sample = from_file.empty() ?
      kind->make(o.seed, static_cast<uint32_t>(i), keypoints) : from_file[static_cast<size_t>(i)];
    if (i > 0 && o.interval_ms != 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(o.interval_ms));
    }
    // A reliable keep-last writer takes the sample at once; a failure here
    // is a refusal, not back pressure.
    if (writer->write(&sample, dds::HANDLE_NIL) != ReturnCode_t::RETCODE_OK) {
      std::fprintf(stderr, "standin pub: sample %" PRId64 " refused\n", i);
      return kSetup;
    }
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  const bool acked = writer->wait_for_acknowledgments(eprosima::fastrtps::Duration_t(
      static_cast<int32_t>(std::max<int64_t>(left.count(), 0) / 1000), 0)) == ReturnCode_t::RETCODE_OK;
  std::printf("pub side=standin topic=%s samples=%" PRId64 " payload=%s result=%s\n", o.topic.c_str(),
    count, from_file.empty() ? kind->name : o.payloads_file.c_str(), acked ? "ok" : "UNACKNOWLEDGED");
  std::fflush(stdout);
  return acked ? kOk : kTimeout;
}

int run_echo(const Options & o, Clock::time_point deadline)
{
  Node node;
  dds::DataReader * reader = node.reader(o);
  if (reader == nullptr) {
    std::fprintf(stderr, "standin echo: cannot create a reader on %s\n", o.topic.c_str());
    return kSetup;
  }
  int64_t received = 0;
  int64_t wrong = 0;
  int64_t out_of_order = 0;
  Bytes sample;
  while (received < o.count && Clock::now() < deadline) {
    dds::SampleInfo info;
    if (reader->take_next_sample(&sample, &info) != ReturnCode_t::RETCODE_OK) {
      reader->wait_for_unread_message(eprosima::fastrtps::Duration_t(0, 200 * 1000 * 1000));
      continue;
    }
    if (!info.valid_data) {
      continue;
    }
    if (o.verify) {
      const std::string problem = pelmora_standin::check_features_payload(sample, o.seed);
      if (!problem.empty()) {
        std::fprintf(stderr, "standin echo: sample %" PRId64 ": %s\n", received, problem.c_str());
        ++wrong;
      } else if (uint32_t index = 0; pelmora_standin::payload_index(sample, &index) &&
        index != static_cast<uint32_t>(received))
      {
        ++out_of_order;
      }
    }
    ++received;
  }
  const bool ok = received == o.count && wrong == 0 && out_of_order == 0;
  std::printf("echo side=standin topic=%s received=%" PRId64 "/%" PRId64 " verified=%" PRId64
    " wrong=%" PRId64 " out_of_order=%" PRId64 " result=%s\n", o.topic.c_str(), received, o.count,
    o.verify ? received - wrong : 0, wrong, out_of_order, ok ? "ok" : "FAILED");
  std::fflush(stdout);
  if (received < o.count) {
    return kTimeout;
  }
  return ok ? kOk : kWrong;
}

}  // namespace

int main(int argc, char ** argv)
{
  Options o;
  CLI::App app("a default ROS 2 node publishing or receiving Features as raw bytes",
    "ros_node_standin");
  app.require_subcommand(1);
  std::vector<std::string> kinds;
  for (const auto & kind : pelmora_standin::payload_kinds()) {
    kinds.push_back(kind.name);
  }
  for (const char * name : {"pub", "echo"}) {
    CLI::App * command = app.add_subcommand(name);
    command->add_option("--topic", o.topic, "DDS topic name")->capture_default_str();
    command->add_option("--count", o.count, "samples")->check(CLI::Range(int64_t{1}, int64_t{1000000}));
    command->add_option("--timeout", o.timeout, "seconds")->check(CLI::Range(0.1, 3600.0));
    command->add_flag("--loopback", o.loopback, "UDP on 127.0.0.1, unicast discovery only");
  }
  CLI::App * pub = app.get_subcommand("pub");
  pub->add_option("--size", o.keypoints, "keypoints per sample, cycled")->delimiter(',')
    ->check(CLI::Range(0u, 1u << 22));
  pub->add_option("--seed", o.seed, "content seed");
  pub->add_option("--peers", o.peers, "readers to wait for")->check(CLI::Range(1, 64));
  pub->add_option("--payload", o.payload, "payload kind")->check(CLI::IsMember(kinds));
  pub->add_option("--payloads", o.payloads_file,
    "send the payloads of FILE in order (format of pelmora_testing's vectors/hostile_payloads.txt), "
    "good and malformed ones alike, instead of --count generated ones");
  pub->add_option("--interval", o.interval_ms, "pause MS milliseconds between samples")
    ->check(CLI::Range(0u, 60000u));
  pub->add_option("--settle", o.settle_ms,
    "pause MS milliseconds after the readers matched, so that they have matched this writer too")
    ->check(CLI::Range(0u, 60000u));
  app.get_subcommand("echo")->add_option_function<uint32_t>("--verify-seed",
    [&o](uint32_t seed) {o.seed = seed; o.verify = true;}, "check every sample against seed S");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError & e) {
    return e.get_exit_code() == 0 ? app.exit(e) : (std::fprintf(stderr, "%s\n", e.what()), kUsage);
  }
  const auto deadline = Clock::now() +
    std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.timeout));
  return app.got_subcommand("pub") ? run_pub(o, deadline) : run_echo(o, deadline);
}
