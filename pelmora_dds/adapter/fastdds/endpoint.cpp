#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/domain/qos/DomainParticipantQos.hpp>
#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/publisher/DataWriterListener.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/DataReaderListener.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>
#include <fastrtps/xmlparser/XMLProfileManager.h>

#include "fastdds/backend.hpp"
#include "fastdds/callbacks_type.hpp"
#include "fastdds/security.hpp"
#include "fastdds/settings.hpp"
#include "pelmora_dds/environment.hpp"
#include "pelmora_dds/ros_names.hpp"
#include "peer_event_queue.hpp"

namespace pelmora_dds
{
namespace fastdds
{

namespace dds = eprosima::fastdds::dds;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace
{

// How long a secured reader lets its writers leave before it does.
constexpr milliseconds kSecuredReaderGrace{2000};

// Process-wide settings that must be in place before the first participant.
// Fast DDS reads ROS_DISCOVERY_SERVER and FASTRTPS_DEFAULT_PROFILES_FILE by
// itself; they reach the backend as options instead (read before this runs),
// so that a shared-memory endpoint is never redirected to UDP and a file is
// never loaded twice. No intraprocess short-cut: with reliable keep-all a
// full reader history would stall it for good.
std::string prepare_process(const TransportOptions & transport)
{
  static std::once_flag once;
  std::call_once(once, [] {
      capture_process_environment();
      unsetenv("ROS_DISCOVERY_SERVER");
      unsetenv("ROS_SUPER_CLIENT");
      unsetenv("FASTRTPS_DEFAULT_PROFILES_FILE");
      eprosima::fastrtps::LibrarySettingsAttributes library;
      library.intraprocess_delivery = eprosima::fastrtps::INTRAPROCESS_OFF;
      eprosima::fastrtps::xmlparser::XMLProfileManager::library_settings(library);
      dds::DomainParticipantFactory::get_instance()->load_profiles();
    });
  static std::mutex mutex;
  static std::set<std::string> loaded;
  std::lock_guard<std::mutex> lock(mutex);
  const std::string & file = transport.profiles_file;
  if (file.empty() || loaded.count(file) != 0) {
    return std::string();
  }
  if (dds::DomainParticipantFactory::get_instance()->load_XML_profiles_file(file) !=
    ReturnCode_t::RETCODE_OK)
  {
    return "cannot load Fast DDS profiles from '" + file + "' (FASTRTPS_DEFAULT_PROFILES_FILE)";
  }
  loaded.insert(file);
  return std::string();
}

std::string guid_text(const dds::InstanceHandle_t & handle)
{
  std::ostringstream out;
  out << eprosima::fastrtps::rtps::iHandle2GUID(handle);
  return out.str();
}

// Access control refuses a writer or reader that the enclave's permissions
// (or the governance's domain) do not cover; Fast DDS's log above says which.
std::string refusal_hint(const EndpointOptions & options)
{
  return options.security.enabled ?
         " (refused unless the permissions of enclave " + options.security.enclave_used +
         " allow it on this topic in this domain)" : std::string();
}

const char * policy_name(dds::QosPolicyId_t id)
{
  switch (id) {
    case dds::DURABILITY_QOS_POLICY_ID: return "DURABILITY";
    case dds::RELIABILITY_QOS_POLICY_ID: return "RELIABILITY";
    case dds::DEADLINE_QOS_POLICY_ID: return "DEADLINE";
    case dds::LIVELINESS_QOS_POLICY_ID: return "LIVELINESS";
    case dds::OWNERSHIP_QOS_POLICY_ID: return "OWNERSHIP";
    case dds::DESTINATIONORDER_QOS_POLICY_ID: return "DESTINATION_ORDER";
    case dds::DATAREPRESENTATION_QOS_POLICY_ID: return "DATA_REPRESENTATION";
    default: return "another policy";
  }
}

// Collects match events from Fast DDS's threads for the driving thread.
class Events : public dds::DataWriterListener, public dds::DataReaderListener, public PeerEventQueue
{
public:
  void on_publication_matched(dds::DataWriter *, const dds::PublicationMatchedStatus & s) override
  {
    push_match(s.current_count_change, guid_text(s.last_subscription_handle));
  }

  void on_subscription_matched(dds::DataReader *, const dds::SubscriptionMatchedStatus & s) override
  {
    push_match(s.current_count_change, guid_text(s.last_publication_handle));
  }

  void on_offered_incompatible_qos(dds::DataWriter *, const dds::OfferedIncompatibleQosStatus & s)
  override
  {
    push({PeerEvent::Kind::incompatible, policy_name(s.last_policy_id)});
  }

  void on_liveliness_changed(dds::DataReader *, const dds::LivelinessChangedStatus & s) override
  {
    if (s.not_alive_count_change > 0) {
      push({PeerEvent::Kind::not_alive, guid_text(s.last_publication_handle)});
    }
    if (s.alive_count_change > 0) {
      push({PeerEvent::Kind::alive, guid_text(s.last_publication_handle)});
    }
  }

  void on_requested_incompatible_qos(
    dds::DataReader *, const dds::RequestedIncompatibleQosStatus & s) override
  {
    push({PeerEvent::Kind::incompatible, policy_name(s.last_policy_id)});
  }
};

class FastddsEndpoint final : public Endpoint
{
public:
  explicit FastddsEndpoint(Role role)
  : Endpoint(role) {}

  ~FastddsEndpoint() override
  {
    if (participant_ != nullptr) {
      let_writers_leave_first();
      participant_->delete_contained_entities();
      dds::DomainParticipantFactory::get_instance()->delete_participant(participant_);
    }
  }

  std::string open(
    const rosidl_message_type_support_t * type_support, const EndpointOptions & options,
    MessageFactory factory);

  Status write(const void * message, milliseconds timeout) override;
  Status wait_acknowledged(milliseconds timeout) override;
  Status take(void * message, milliseconds timeout) override;
  Status take_serialized(std::vector<uint8_t> * bytes, milliseconds timeout) override;
  uint32_t payload_size(const void * message) const override {return type_->payload_size(message);}
  std::vector<PeerEvent> take_events() override {return events_.take();}
  uint32_t matched_count() override;
  ReaderLosses losses() override;
  void set_drop_observer(DropObserver observer) override {type_->set_drop_observer(std::move(observer));}

private:
  // Fast DDS 2.9.1 aborts a secured writer (an assertion on an empty
  // receiving list in SecurityManager::encode_rtps_message) when a matched
  // secured reader's participant goes away while the writer still sends to
  // it, as when a receiver leaves right after its last sample and the
  // writer is still repeating data or heartbeats. A secured reader therefore
  // waits, up to kSecuredReaderGrace, for its writers to leave first; they
  // do once every sample is acknowledged.
  void let_writers_leave_first()
  {
    if (!secured_ || reader_ == nullptr) {
      return;
    }
    const auto deadline = Clock::now() + kSecuredReaderGrace;
    while (matched_count() > 0 && Clock::now() < deadline) {
      std::this_thread::sleep_for(kPollStep);
    }
  }

  Events events_;
  bool secured_ = false;
  CallbacksTopicType * type_ = nullptr;  // owned by the participant's TypeSupport
  dds::DomainParticipant * participant_ = nullptr;
  dds::DataWriter * writer_ = nullptr;
  dds::DataReader * reader_ = nullptr;
};

std::string FastddsEndpoint::open(
  const rosidl_message_type_support_t * type_support, const EndpointOptions & options,
  MessageFactory factory)
{
  const std::string prepared = prepare_process(options.transport);
  if (!prepared.empty()) {
    return prepared;
  }
  auto * domain = dds::DomainParticipantFactory::get_instance();
  const ResourcePlan plan = plan_for(options.largest_sample);
  dds::DomainParticipantQos pqos = domain->get_default_participant_qos();
  pqos.name("pelmora_dds");
  const std::string transport = apply_transport(options.transport, plan, &pqos);
  if (!transport.empty()) {
    return transport;
  }
  apply_security(options.security, &pqos);
  secured_ = options.security.enabled;
  apply_lease(options.qos, &pqos);
  participant_ = domain->create_participant(options.domain, pqos);
  if (participant_ == nullptr) {
    // With security, Fast DDS refuses a participant whose files it cannot
    // load or verify; its log above says which.
    return "cannot create a participant in domain " + std::to_string(options.domain) +
           (options.security.enabled ?
           " with the security files of enclave " + options.security.enclave_used : std::string());
  }
  type_ = new CallbacksTopicType(type_support, factory);
  dds::TypeSupport type(type_);
  const std::string type_name = type.get_type_name();
  if (type.register_type(participant_) != ReturnCode_t::RETCODE_OK) {
    return "cannot register type " + type_name;
  }
  const std::string topic_name = dds_topic_name(options.topic);
  dds::Topic * topic = participant_->create_topic(topic_name, type_name, dds::TOPIC_QOS_DEFAULT);
  if (topic == nullptr) {
    return "cannot create topic " + topic_name;
  }
  const auto made = [&](const void * entity, const char * what) {
      return entity != nullptr ? std::string() : std::string("cannot create a ") + what + " on " +
             topic_name + " with " + describe(options) + refusal_hint(options);
    };
  if (role_ == Role::writer) {
    dds::Publisher * publisher = participant_->create_publisher(dds::PUBLISHER_QOS_DEFAULT);
    if (publisher != nullptr) {
      writer_ = publisher->create_datawriter(
        topic, with_ros_qos(publisher->get_default_datawriter_qos(), options.qos, plan), &events_);
    }
    return made(writer_, "writer");
  }
  dds::Subscriber * subscriber = participant_->create_subscriber(dds::SUBSCRIBER_QOS_DEFAULT);
  if (subscriber != nullptr) {
    reader_ = subscriber->create_datareader(
      topic, with_ros_qos(subscriber->get_default_datareader_qos(), options.qos, plan), &events_);
  }
  return made(reader_, "reader");
}

uint32_t FastddsEndpoint::matched_count()
{
  int32_t matched = 0;
  if (writer_ != nullptr) {
    dds::PublicationMatchedStatus status;
    writer_->get_publication_matched_status(status);
    matched = status.current_count;
  } else {
    dds::SubscriptionMatchedStatus status;
    reader_->get_subscription_matched_status(status);
    matched = status.current_count;
  }
  return matched > 0 ? static_cast<uint32_t>(matched) : 0;
}

ReaderLosses FastddsEndpoint::losses()
{
  ReaderLosses losses;
  if (reader_ != nullptr) {
    losses.dropped = type_->dropped();
    dds::SampleLostStatus lost;
    reader_->get_sample_lost_status(lost);
    losses.lost = lost.total_count > 0 ? static_cast<uint64_t>(lost.total_count) : 0;
  }
  return losses;
}

Status FastddsEndpoint::write(const void * message, milliseconds timeout)
{
  return write_until([&] {
      // The overload with an instance handle reports why a write failed; a
      // keep-all writer whose history is full answers TIMEOUT, sometimes
      // before its blocking time is up, so it is retried until the deadline.
      const ReturnCode_t rc = writer_->write(const_cast<void *>(message), dds::HANDLE_NIL);
      if (rc == ReturnCode_t::RETCODE_OK) {
        return Attempt::done;
      }
      if (rc == ReturnCode_t::RETCODE_TIMEOUT) {
        return Attempt::blocked;
      }
      last_error_ = "write failed with return code " + std::to_string(rc());
      return Attempt::failed;
    }, timeout);
}

Status FastddsEndpoint::wait_acknowledged(milliseconds timeout)
{
  if (writer_ == nullptr) {
    return Status::ok;
  }
  const ReturnCode_t rc = writer_->wait_for_acknowledgments(to_duration(timeout));
  if (rc == ReturnCode_t::RETCODE_OK) {
    return Status::ok;
  }
  last_error_ = "samples not acknowledged in time";
  return rc == ReturnCode_t::RETCODE_TIMEOUT ? Status::timeout : Status::error;
}

Status FastddsEndpoint::take_serialized(std::vector<uint8_t> * bytes, milliseconds timeout)
{
  // The topic type copies the payload and leaves `bytes` as the sample
  // pointer untouched.
  type_->capture_payloads(bytes);
  const Status status = take(bytes, timeout);
  type_->capture_payloads(nullptr);
  return status;
}

Status FastddsEndpoint::take(void * message, milliseconds timeout)
{
  if (reader_ == nullptr) {
    last_error_ = "take on a writer";
    return Status::error;
  }
  const auto deadline = Clock::now() + timeout;
  for (;; ) {
    dds::SampleInfo info;
    const ReturnCode_t rc = reader_->take_next_sample(message, &info);
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
    reader_->wait_for_unread_message(to_duration(std::min(left + milliseconds(1), milliseconds(200))));
  }
}

}  // namespace

std::unique_ptr<Endpoint> create_endpoint(
  Endpoint::Role role, const rosidl_message_type_support_t * type_support,
  const EndpointOptions & options, std::string * error, MessageFactory factory)
{
  return opened<FastddsEndpoint>(role, error, type_support, options, factory);
}

}  // namespace fastdds
}  // namespace pelmora_dds
