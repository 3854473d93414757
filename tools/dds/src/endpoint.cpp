#include "pelmora_dds/endpoint.hpp"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/domain/qos/DomainParticipantQos.hpp>
#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/publisher/qos/DataWriterQos.hpp>
#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/subscriber/qos/DataReaderQos.hpp>
#include <fastdds/dds/topic/Topic.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>
#include <fastdds/rtps/transport/shared_mem/SharedMemTransportDescriptor.h>
#include <fastrtps/xmlparser/XMLProfileManager.h>

namespace pelmora_dds
{

namespace dds = eprosima::fastdds::dds;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace
{

constexpr uint32_t kMiB = 1024 * 1024;

// The only polling step: matched-count waits and the slices of a take wait.
constexpr milliseconds kPollStep{20};

eprosima::fastrtps::Duration_t to_duration(milliseconds ms)
{
  const auto count = std::max<int64_t>(0, ms.count());
  return eprosima::fastrtps::Duration_t(
    static_cast<int32_t>(count / 1000), static_cast<uint32_t>((count % 1000) * 1000000));
}

// The settings writers and readers share: reliable, transient-local, keep-all
// within `depth` samples of one instance, pools that may grow, no data sharing.
template<typename Qos>
void apply_endpoint_qos(
  Qos & qos, int depth, eprosima::fastrtps::rtps::MemoryManagementPolicy_t memory)
{
  qos.reliability().kind = dds::RELIABLE_RELIABILITY_QOS;
  qos.durability().kind = dds::TRANSIENT_LOCAL_DURABILITY_QOS;
  qos.history().kind = dds::KEEP_ALL_HISTORY_QOS;
  qos.resource_limits().max_instances = 1;
  qos.resource_limits().max_samples = depth;
  qos.resource_limits().max_samples_per_instance = depth;
  qos.resource_limits().allocated_samples = std::min(depth, 16);
  qos.endpoint().history_memory_policy = memory;
  qos.data_sharing().off();
}

// Process-wide settings that must be in place before the first participant:
// no discovery-server redirection from the environment (it would add UDP
// locators), and no intraprocess short-cut (with reliable keep-all a full
// reader history would stall it for good).
void prepare_process()
{
  static std::once_flag once;
  std::call_once(once, [] {
      unsetenv("ROS_DISCOVERY_SERVER");
      unsetenv("ROS_SUPER_CLIENT");
      eprosima::fastrtps::LibrarySettingsAttributes library;
      library.intraprocess_delivery = eprosima::fastrtps::INTRAPROCESS_OFF;
      eprosima::fastrtps::xmlparser::XMLProfileManager::library_settings(library);
    });
}

}  // namespace

TransportPlan plan_for(uint32_t largest_sample)
{
  TransportPlan plan;
  // Large samples travel as fragments of at most 64 KB, each in its own
  // buffer of the sender's segment until every receiver has read it; room for
  // four of the largest samples keeps a reliable writer from stalling on a
  // full segment (Fast-DDS's default 512 KB is far too small for megabytes).
  const uint64_t segment = 4ull * largest_sample + kMiB;
  plan.segment_bytes = static_cast<uint32_t>(std::min<uint64_t>(segment, 1024ull * kMiB));
  // One descriptor per fragment waits in the receiver's port queue.
  plan.port_queue_capacity = static_cast<uint32_t>(
    std::clamp<uint64_t>(4ull * (largest_sample / 60000 + 1), 512, 8192));
  // About 64 MB of history on each side, between 4 and 256 samples.
  plan.history_depth = static_cast<int32_t>(
    std::clamp<uint64_t>(64ull * kMiB / std::max<uint32_t>(largest_sample, 1), 4, 256));
  return plan;
}

struct Endpoint::Impl
{
  Role role;
  CallbacksTopicType * type = nullptr;  // owned by the participant's TypeSupport
  dds::DomainParticipant * participant = nullptr;
  dds::Topic * topic = nullptr;
  dds::Publisher * publisher = nullptr;
  dds::Subscriber * subscriber = nullptr;
  dds::DataWriter * writer = nullptr;
  dds::DataReader * reader = nullptr;

  ~Impl()
  {
    if (participant != nullptr) {
      participant->delete_contained_entities();
      dds::DomainParticipantFactory::get_instance()->delete_participant(participant);
    }
  }
};

std::unique_ptr<Endpoint> Endpoint::create(
  Role role, const rosidl_message_type_support_t * type_support,
  const EndpointOptions & options, std::string * error, MessageFactory factory)
{
  auto fail = [error](const std::string & what) {
      if (error != nullptr) {
        *error = what;
      }
      return std::unique_ptr<Endpoint>();
    };
  if (type_support == nullptr || options.topic.empty()) {
    return fail("a type support and a topic name are required");
  }
  prepare_process();
  const TransportPlan plan = plan_for(options.largest_sample);

  // Shared memory is the only transport: the built-in UDP transports and
  // every locator list that could name an IP address are cleared, so
  // discovery and data both stay in /dev/shm.
  dds::DomainParticipantQos pqos = dds::PARTICIPANT_QOS_DEFAULT;
  pqos.name("pelmora_dds");
  pqos.transport().use_builtin_transports = false;
  pqos.transport().user_transports.clear();
  auto shm = std::make_shared<eprosima::fastdds::rtps::SharedMemTransportDescriptor>();
  shm->segment_size(plan.segment_bytes);
  shm->port_queue_capacity(plan.port_queue_capacity);
  pqos.transport().user_transports.push_back(shm);
  auto & builtin = pqos.wire_protocol().builtin;
  builtin.discovery_config.discoveryProtocol = eprosima::fastrtps::rtps::DiscoveryProtocol_t::SIMPLE;
  builtin.initialPeersList.clear();
  builtin.metatrafficUnicastLocatorList.clear();
  builtin.metatrafficMulticastLocatorList.clear();
  pqos.wire_protocol().default_unicast_locator_list.clear();
  pqos.wire_protocol().default_multicast_locator_list.clear();

  auto impl = std::make_unique<Impl>();
  impl->role = role;
  impl->participant = dds::DomainParticipantFactory::get_instance()->create_participant(
    options.domain, pqos);
  if (impl->participant == nullptr) {
    return fail("cannot create a participant in domain " + std::to_string(options.domain));
  }
  impl->type = new CallbacksTopicType(type_support, factory);
  dds::TypeSupport type(impl->type);
  const std::string type_name = type.get_type_name();
  if (type.register_type(impl->participant) != ReturnCode_t::RETCODE_OK) {
    return fail("cannot register type " + type_name);
  }
  impl->topic = impl->participant->create_topic("rt/" + options.topic, type_name, dds::TOPIC_QOS_DEFAULT);
  if (impl->topic == nullptr) {
    return fail("cannot create topic rt/" + options.topic);
  }

  // Reliable, keep-all and transient-local on both sides: a reader that
  // matches the writer a moment after the writer matched it still receives
  // every sample. Preallocation with reallocation lets pools grow past the
  // type's 44-byte maximum (plain preallocation drops larger samples).
  const auto memory = eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  if (role == Role::writer) {
    impl->publisher = impl->participant->create_publisher(dds::PUBLISHER_QOS_DEFAULT);
    dds::DataWriterQos qos = dds::DATAWRITER_QOS_DEFAULT;
    apply_endpoint_qos(qos, plan.history_depth, memory);
    qos.reliability().max_blocking_time = to_duration(milliseconds(500));
    if (impl->publisher != nullptr) {
      impl->writer = impl->publisher->create_datawriter(impl->topic, qos);
    }
    if (impl->writer == nullptr) {
      return fail("cannot create a writer on rt/" + options.topic);
    }
  } else {
    impl->subscriber = impl->participant->create_subscriber(dds::SUBSCRIBER_QOS_DEFAULT);
    dds::DataReaderQos qos = dds::DATAREADER_QOS_DEFAULT;
    apply_endpoint_qos(qos, plan.history_depth, memory);
    if (impl->subscriber != nullptr) {
      impl->reader = impl->subscriber->create_datareader(impl->topic, qos);
    }
    if (impl->reader == nullptr) {
      return fail("cannot create a reader on rt/" + options.topic);
    }
  }
  return std::unique_ptr<Endpoint>(new Endpoint(std::move(impl)));
}

Endpoint::Endpoint(std::unique_ptr<Impl> impl)
: impl_(std::move(impl)) {}

Endpoint::~Endpoint() = default;

Status Endpoint::wait_for_peers(uint32_t count, milliseconds timeout)
{
  const auto deadline = Clock::now() + timeout;
  for (;; ) {
    int32_t matched = 0;
    if (impl_->writer != nullptr) {
      dds::PublicationMatchedStatus status;
      impl_->writer->get_publication_matched_status(status);
      matched = status.current_count;
    } else {
      dds::SubscriptionMatchedStatus status;
      impl_->reader->get_subscription_matched_status(status);
      matched = status.current_count;
    }
    if (matched >= 0 && static_cast<uint32_t>(matched) >= count) {
      return Status::ok;
    }
    if (Clock::now() >= deadline) {
      last_error_ = "matched " + std::to_string(matched) + " of " + std::to_string(count) + " peers";
      return Status::timeout;
    }
    std::this_thread::sleep_for(kPollStep);
  }
}

Status Endpoint::write(const void * message, milliseconds timeout)
{
  if (impl_->writer == nullptr) {
    last_error_ = "write on a reader";
    return Status::error;
  }
  const auto deadline = Clock::now() + timeout;
  for (;; ) {
    // The overload with an instance handle reports why a write failed; a
    // keep-all writer whose history is full answers TIMEOUT, sometimes
    // before its blocking time is up, so it is retried until the deadline.
    const ReturnCode_t rc = impl_->writer->write(const_cast<void *>(message), dds::HANDLE_NIL);
    if (rc == ReturnCode_t::RETCODE_OK) {
      return Status::ok;
    }
    if (rc != ReturnCode_t::RETCODE_TIMEOUT) {
      last_error_ = "write failed with return code " + std::to_string(rc());
      return Status::error;
    }
    if (Clock::now() >= deadline) {
      last_error_ = "write timed out: history full and not acknowledged";
      return Status::timeout;
    }
  }
}

Status Endpoint::wait_acknowledged(milliseconds timeout)
{
  if (impl_->writer == nullptr) {
    return Status::ok;
  }
  const ReturnCode_t rc = impl_->writer->wait_for_acknowledgments(to_duration(timeout));
  if (rc == ReturnCode_t::RETCODE_OK) {
    return Status::ok;
  }
  last_error_ = "samples not acknowledged in time";
  return rc == ReturnCode_t::RETCODE_TIMEOUT ? Status::timeout : Status::error;
}

Status Endpoint::take(void * message, milliseconds timeout)
{
  if (impl_->reader == nullptr) {
    last_error_ = "take on a writer";
    return Status::error;
  }
  const auto deadline = Clock::now() + timeout;
  for (;; ) {
    dds::SampleInfo info;
    const ReturnCode_t rc = impl_->reader->take_next_sample(message, &info);
    if (rc == ReturnCode_t::RETCODE_OK) {
      if (info.valid_data) {
        return Status::ok;
      }
      continue;  // a state change without data (writer gone)
    }
    if (rc != ReturnCode_t::RETCODE_NO_DATA) {
      last_error_ = "take failed with return code " + std::to_string(rc());
      return Status::error;
    }
    const auto now = Clock::now();
    if (now >= deadline) {
      last_error_ = "no sample arrived in time";
      return Status::timeout;
    }
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - now);
    impl_->reader->wait_for_unread_message(to_duration(std::min(left + milliseconds(1), milliseconds(200))));
  }
}

uint32_t Endpoint::payload_size(const void * message) const
{
  return impl_->type->payload_size(message);
}

}  // namespace pelmora_dds
