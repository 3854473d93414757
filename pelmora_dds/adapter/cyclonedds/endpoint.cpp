// The Cyclone DDS endpoint: one participant with one writer or reader of
// the walker's sertype.
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>

#include <dds/dds.h>
#include <dds/ddsi/ddsi_serdata.h>

#include "cyclonedds/backend.hpp"
#include "cyclonedds/security.hpp"
#include "cyclonedds/settings.hpp"
#include "cyclonedds/walker_sertype.hpp"
#include "peer_event_queue.hpp"
#include "pelmora_cdr_walker/walker.hpp"
#include "pelmora_dds/ros_names.hpp"

namespace pelmora_dds
{
namespace cyclonedds
{

namespace
{

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

dds_duration_t to_duration(milliseconds ms)
{
  return ms.count() <= 0 ? 0 : DDS_MSECS(ms.count());
}

milliseconds left_until(Clock::time_point deadline)
{
  return std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
}

std::string failure(const std::string & what, dds_return_t code)
{
  return "Cyclone DDS: " + what + ": " + dds_strretcode(code);
}

// A domain is configured once per process (Cyclone refuses a second
// configuration); every endpoint of the process in that domain shares it,
// and the last one to go deletes it.
class Domains
{
public:
  static dds_return_t acquire(uint32_t id, const std::string & xml)
  {
    std::lock_guard<std::mutex> lock(mutex());
    auto & entry = table()[id];
    if (entry.users == 0) {
      const dds_entity_t domain = dds_create_domain(id, xml.c_str());
      if (domain < 0) {
        table().erase(id);
        return domain;
      }
      entry.handle = domain;
    }
    ++entry.users;
    return DDS_RETCODE_OK;
  }

  static void release(uint32_t id)
  {
    std::lock_guard<std::mutex> lock(mutex());
    auto found = table().find(id);
    if (found != table().end() && --found->second.users == 0) {
      dds_delete(found->second.handle);
      table().erase(found);
    }
  }

private:
  struct Entry {dds_entity_t handle = 0; int users = 0;};
  static std::mutex & mutex() {static std::mutex m; return m;}
  static std::map<uint32_t, Entry> & table() {static std::map<uint32_t, Entry> t; return t;}
};

const char * policy_name(dds_qos_policy_id_t id)
{
  switch (id) {
    case DDS_DURABILITY_QOS_POLICY_ID: return "DURABILITY";
    case DDS_RELIABILITY_QOS_POLICY_ID: return "RELIABILITY";
    case DDS_DEADLINE_QOS_POLICY_ID: return "DEADLINE";
    case DDS_LIVELINESS_QOS_POLICY_ID: return "LIVELINESS";
    case DDS_OWNERSHIP_QOS_POLICY_ID: return "OWNERSHIP";
    case DDS_DESTINATIONORDER_QOS_POLICY_ID: return "DESTINATION_ORDER";
    case DDS_DATA_REPRESENTATION_QOS_POLICY_ID: return "DATA_REPRESENTATION";
    default: return "another policy";
  }
}

// Collects match events from Cyclone's listener threads for the driving
// thread.
class Events : public PeerEventQueue
{
public:
  dds_listener_t * listener()
  {
    dds_listener_t * l = dds_create_listener(this);
    dds_lset_publication_matched(l, [](dds_entity_t, const dds_publication_matched_status_t s, void * self) {
        static_cast<Events *>(self)->matched(s.current_count_change, s.last_subscription_handle);
      });
    dds_lset_subscription_matched(l, [](dds_entity_t, const dds_subscription_matched_status_t s, void * self) {
        static_cast<Events *>(self)->matched(s.current_count_change, s.last_publication_handle);
      });
    dds_lset_offered_incompatible_qos(l, [](dds_entity_t, const dds_offered_incompatible_qos_status_t s, void * self) {
        static_cast<Events *>(self)->push({PeerEvent::Kind::incompatible, policy_name(static_cast<dds_qos_policy_id_t>(s.last_policy_id))});
      });
    dds_lset_requested_incompatible_qos(l, [](dds_entity_t, const dds_requested_incompatible_qos_status_t s, void * self) {
        static_cast<Events *>(self)->push({PeerEvent::Kind::incompatible, policy_name(static_cast<dds_qos_policy_id_t>(s.last_policy_id))});
      });
    return l;
  }

private:
  void matched(int32_t change, dds_instance_handle_t handle)
  {
    char text[24];
    std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(handle));
    push_match(change, text);
  }
};

class SertypeEndpoint final : public CycloneEndpoint
{
public:
  explicit SertypeEndpoint(Role role)
  : CycloneEndpoint(role) {}

  ~SertypeEndpoint() override
  {
    if (participant_ > 0) {
      dds_delete(participant_);  // its entities, topic and sertype with it
    }
    if (domain_held_) {
      Domains::release(domain_);
    }
  }

  std::string open(const rosidl_message_type_support_t * type_support, const EndpointOptions & options);

  Status write(const void * message, milliseconds timeout) override;
  Status write_bytes(const uint8_t * bytes, uint32_t size, milliseconds timeout) override;
  Status wait_acknowledged(milliseconds timeout) override;
  Status take(void * message, milliseconds timeout) override;
  Status take_serialized(std::vector<uint8_t> * bytes, milliseconds timeout) override;
  uint32_t payload_size(const void * message) const override;
  std::vector<PeerEvent> take_events() override {return events_.take();}
  uint32_t matched_count() override;
  ReaderLosses losses() override;
  void set_drop_observer(DropObserver observer) override {drop_observer_ = std::move(observer);}

private:
  Status fail(const std::string & what, dds_return_t code)
  {
    last_error_ = failure(what, code);
    return Status::error;
  }
  // What a write's return code says of the try.
  Attempt written(dds_return_t rc);
  // Takes samples until `accept` takes one's bytes (returns true) or the
  // timeout has passed; the bytes are valid during the call only.
  Status take_bytes(
    const std::function<bool(const uint8_t * bytes, uint32_t size)> & accept, milliseconds timeout);
  // Counts a sample the codec refused and reports it with `why`.
  void drop(const uint8_t * bytes, uint32_t size, const std::string & why);

  std::unique_ptr<pelmora_cdr_walker::Codec> codec_;
  Events events_;
  uint32_t domain_ = 0;
  bool domain_held_ = false;
  dds_entity_t participant_ = 0;
  dds_entity_t endpoint_ = 0;
  dds_entity_t waitset_ = 0;
  const ddsi_sertype * sertype_ = nullptr;  // kept alive by the topic
  uint64_t dropped_ = 0;
  DropObserver drop_observer_;
};

std::string SertypeEndpoint::open(
  const rosidl_message_type_support_t * type_support, const EndpointOptions & options)
{
  std::string error;
  codec_ = pelmora_cdr_walker::make_codec(type_support, &error);
  if (codec_ == nullptr) {
    return "the Cyclone DDS backend needs an introspection type support: " + error;
  }
  ParticipantSettings settings;
  error = participant_settings(options, &settings);
  if (!error.empty()) {
    return error;
  }
  const dds_return_t configured = Domains::acquire(options.domain, config_xml(settings));
  if (configured < 0) {
    return failure("cannot configure domain " + std::to_string(options.domain), configured);
  }
  domain_ = options.domain;
  domain_held_ = true;
  dds_qos_t * participant_qos = cyclonedds::participant_qos(options.security);
  participant_ = dds_create_participant(options.domain, participant_qos, nullptr);
  if (participant_qos != nullptr) {
    dds_delete_qos(participant_qos);
  }
  if (participant_ < 0) {
    // With security, Cyclone refuses a participant whose files its plugins
    // cannot load or verify; its log says which.
    return failure("cannot create a participant" + (options.security.enabled ?
             " with the security files of enclave " + options.security.enclave_used : std::string()),
             participant_);
  }
  // Cyclone takes over the sertype and may swap in an equal one it knows.
  ddsi_sertype * sertype = make_walker_sertype(*codec_, pelmora_cdr_walker::dds_type_name(*codec_));
  const std::string topic_name = dds_topic_name(options.topic);
  dds_qos_t * qos = endpoint_qos(options.qos, options.largest_sample);
  const dds_entity_t topic = dds_create_topic_sertype(participant_, topic_name.c_str(), &sertype, qos, nullptr, nullptr);
  if (topic < 0) {
    dds_delete_qos(qos);
    return failure("cannot create topic " + topic_name, topic);
  }
  sertype_ = sertype;
  dds_listener_t * listener = events_.listener();
  endpoint_ = role_ == Role::writer ? dds_create_writer(participant_, topic, qos, listener) :
    dds_create_reader(participant_, topic, qos, listener);
  dds_delete_listener(listener);
  dds_delete_qos(qos);
  if (endpoint_ < 0) {
    return failure(std::string("cannot create a ") + (role_ == Role::writer ? "writer" : "reader") +
             " on " + topic_name + " with " + describe(options), endpoint_);
  }
  if (role_ == Role::reader) {
    waitset_ = dds_create_waitset(participant_);
    const dds_entity_t condition = dds_create_readcondition(endpoint_, DDS_ANY_STATE);
    const dds_return_t attached = waitset_ < 0 || condition < 0 ? DDS_RETCODE_ERROR :
      dds_waitset_attach(waitset_, condition, 0);
    if (attached < 0) {
      return failure("cannot wait for data", attached);
    }
  }
  return "";
}

uint32_t SertypeEndpoint::matched_count()
{
  if (role_ == Role::writer) {
    dds_publication_matched_status_t status{};
    dds_get_publication_matched_status(endpoint_, &status);
    return status.current_count;
  }
  dds_subscription_matched_status_t status{};
  dds_get_subscription_matched_status(endpoint_, &status);
  return status.current_count;
}

Endpoint::Attempt SertypeEndpoint::written(dds_return_t rc)
{
  if (rc == DDS_RETCODE_OK) {
    return Attempt::done;
  }
  if (rc == DDS_RETCODE_TIMEOUT) {
    return Attempt::blocked;
  }
  fail("write", rc);
  return Attempt::failed;
}

Status SertypeEndpoint::write(const void * message, milliseconds timeout)
{
  // dds_write refuses a message the walker cannot encode (the sertype
  // reports why on standard error).
  return write_until([&] {return written(dds_write(endpoint_, message));}, timeout);
}

Status SertypeEndpoint::write_bytes(const uint8_t * bytes, uint32_t size, milliseconds timeout)
{
  return write_until([&] {
      ddsi_serdata * serdata = serdata_from_bytes(sertype_, bytes, size);
      // dds_writecdr consumes the reference.
      return written(serdata == nullptr ? DDS_RETCODE_OUT_OF_RESOURCES : dds_writecdr(endpoint_, serdata));
    }, timeout);
}

Status SertypeEndpoint::wait_acknowledged(milliseconds timeout)
{
  if (role_ != Role::writer) {
    return Status::ok;
  }
  const dds_return_t rc = dds_wait_for_acks(endpoint_, to_duration(timeout));
  if (rc == DDS_RETCODE_TIMEOUT) {
    last_error_ = "samples not acknowledged in time";
    return Status::timeout;
  }
  return rc < 0 ? fail("wait for acknowledgements", rc) : Status::ok;
}

// Takes serialized samples and decodes them here, not in Cyclone, so that a
// sample that does not decode is dropped with its reason while the reader
// goes on to the next.
Status SertypeEndpoint::take(void * message, milliseconds timeout)
{
  return take_bytes([&](const uint8_t * bytes, uint32_t size) {
      std::string error;
      if (codec_->decode(bytes, size, message, &error)) {
        return true;
      }
      drop(bytes, size, error);
      return false;
    }, timeout);
}

Status SertypeEndpoint::take_serialized(std::vector<uint8_t> * bytes, milliseconds timeout)
{
  return take_bytes([bytes](const uint8_t * data, uint32_t size) {
      bytes->assign(data, data + size);
      return true;
    }, timeout);
}

Status SertypeEndpoint::take_bytes(
  const std::function<bool(const uint8_t * bytes, uint32_t size)> & accept, milliseconds timeout)
{
  if (role_ != Role::reader) {
    last_error_ = "take on a writer";
    return Status::error;
  }
  const auto deadline = Clock::now() + timeout;
  for (;; ) {
    ddsi_serdata * serdata = nullptr;
    dds_sample_info_t info;
    const dds_return_t n = dds_takecdr(endpoint_, &serdata, 1, &info, DDS_ANY_STATE);
    if (n < 0) {
      return fail("take", n);
    }
    if (n == 1) {
      const uint8_t * bytes = nullptr;
      uint32_t size = 0;
      const bool accepted = info.valid_data && serdata_bytes(serdata, &bytes, &size) &&
        accept(bytes, size);
      ddsi_serdata_unref(serdata);
      if (accepted) {
        return Status::ok;
      }
      continue;  // a refused sample or a state change without data
    }
    const milliseconds left = left_until(deadline);
    if (left.count() <= 0) {
      last_error_ = "no sample arrived in time";
      return Status::timeout;
    }
    const dds_return_t woken = dds_waitset_wait(waitset_, nullptr, 0, to_duration(left));
    if (woken < 0) {
      return fail("wait for data", woken);
    }
  }
}

void SertypeEndpoint::drop(const uint8_t * bytes, uint32_t size, const std::string & why)
{
  ++dropped_;
  if (drop_observer_) {
    drop_observer_(bytes, size, why);
  } else {
    std::fprintf(stderr, "pelmora-dds: dropped a sample of %u bytes: %s\n", size, why.c_str());
  }
}

ReaderLosses SertypeEndpoint::losses()
{
  ReaderLosses losses;
  losses.dropped = dropped_;
  dds_sample_lost_status_t lost{};
  if (role_ == Role::reader && dds_get_sample_lost_status(endpoint_, &lost) == DDS_RETCODE_OK) {
    losses.lost = lost.total_count;
  }
  return losses;
}

uint32_t SertypeEndpoint::payload_size(const void * message) const
{
  const size_t size = codec_->serialized_size(message);
  return size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
}

}  // namespace

std::unique_ptr<CycloneEndpoint> open(
  Endpoint::Role role, const rosidl_message_type_support_t * type_support,
  const EndpointOptions & options, std::string * error)
{
  return opened<SertypeEndpoint>(role, error, type_support, options);
}

std::unique_ptr<Endpoint> create_endpoint(
  Endpoint::Role role, const rosidl_message_type_support_t * type_support,
  const EndpointOptions & options, std::string * error, MessageFactory)
{
  return open(role, type_support, options, error);
}

}  // namespace cyclonedds
}  // namespace pelmora_dds
