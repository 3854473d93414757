#include "endpoint.hpp"

#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

#include <dds/dds.h>
#include <dds/ddsi/ddsi_serdata.h>

#include "walker_sertype.hpp"

namespace pelmora_dds_cyclonedds
{

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace
{

constexpr milliseconds kPollStep{20};

dds_duration_t to_duration(milliseconds ms)
{
  return ms.count() <= 0 ? 0 : DDS_MSECS(ms.count());
}

milliseconds left_until(Clock::time_point deadline)
{
  return std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
}

// A domain is configured once per process; every endpoint of the process
// in that domain shares it, and the last one to go deletes it.
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

dds_qos_t * endpoint_qos(const Settings & settings)
{
  dds_qos_t * qos = dds_create_qos();
  dds_qset_reliability(
    qos, settings.reliable ? DDS_RELIABILITY_RELIABLE : DDS_RELIABILITY_BEST_EFFORT, DDS_MSECS(100));
  dds_qset_durability(
    qos, settings.transient_local ? DDS_DURABILITY_TRANSIENT_LOCAL : DDS_DURABILITY_VOLATILE);
  dds_qset_history(qos, DDS_HISTORY_KEEP_ALL, 0);
  dds_qset_resource_limits(qos, settings.history_depth, 1, settings.history_depth);
  dds_qset_durability_service(
    qos, 0, DDS_HISTORY_KEEP_LAST, settings.history_depth, settings.history_depth, 1,
    settings.history_depth);
  const dds_data_representation_id_t xcdr1 = DDS_DATA_REPRESENTATION_XCDR1;
  dds_qset_data_representation(qos, 1, &xcdr1);
  return qos;
}

}  // namespace

struct Endpoint::Impl
{
  Role role;
  const pelmora_cdr_walker::Codec * codec;
  uint32_t domain;
  bool domain_held = false;
  dds_entity_t participant = 0;
  dds_entity_t endpoint = 0;
  dds_entity_t waitset = 0;
  // The topic's sertype, which Cyclone keeps alive while the topic exists.
  const ddsi_sertype * sertype = nullptr;

  ~Impl()
  {
    if (participant > 0) {
      dds_delete(participant);
    }
    if (domain_held) {
      Domains::release(domain);
    }
  }
};

Endpoint::Endpoint(std::unique_ptr<Impl> impl)
: impl_(std::move(impl)) {}

Endpoint::~Endpoint() = default;

std::unique_ptr<Endpoint> Endpoint::create(
  Role role, const pelmora_cdr_walker::Codec & codec, const Settings & settings, std::string * error)
{
  auto impl = std::make_unique<Impl>();
  impl->role = role;
  impl->codec = &codec;
  impl->domain = settings.domain;
  auto failed = [&](const std::string & what, dds_return_t code) {
      if (error != nullptr) {
        *error = "Cyclone DDS: " + what + ": " + dds_strretcode(code);
      }
      return nullptr;
    };

  const dds_return_t configured = Domains::acquire(settings.domain, config_xml(settings));
  if (configured < 0) {
    return failed("cannot configure domain " + std::to_string(settings.domain), configured);
  }
  impl->domain_held = true;
  impl->participant = dds_create_participant(settings.domain, nullptr, nullptr);
  if (impl->participant < 0) {
    return failed("cannot create the participant", impl->participant);
  }
  // Ownership of the sertype passes to Cyclone, which may swap in an equal
  // one it already knows.
  ddsi_sertype * sertype = make_walker_sertype(codec, pelmora_cdr_walker::dds_type_name(codec));
  dds_qos_t * qos = endpoint_qos(settings);
  const dds_entity_t topic = dds_create_topic_sertype(
    impl->participant, settings.dds_topic.c_str(), &sertype, qos, nullptr, nullptr);
  if (topic < 0) {
    dds_delete_qos(qos);
    return failed("cannot create topic " + settings.dds_topic, topic);
  }
  impl->sertype = sertype;
  impl->endpoint = role == Role::writer ?
    dds_create_writer(impl->participant, topic, qos, nullptr) :
    dds_create_reader(impl->participant, topic, qos, nullptr);
  dds_delete_qos(qos);
  if (impl->endpoint < 0) {
    return failed(role == Role::writer ? "cannot create the writer" : "cannot create the reader",
             impl->endpoint);
  }
  if (role == Role::reader) {
    impl->waitset = dds_create_waitset(impl->participant);
    const dds_entity_t condition = dds_create_readcondition(impl->endpoint, DDS_ANY_STATE);
    if (impl->waitset < 0 || condition < 0 || dds_waitset_attach(impl->waitset, condition, 0) < 0) {
      return failed("cannot wait for data", impl->waitset < 0 ? impl->waitset : condition);
    }
  }
  return std::unique_ptr<Endpoint>(new Endpoint(std::move(impl)));
}

Status Endpoint::fail(const std::string & what, int code)
{
  last_error_ = "Cyclone DDS: " + what + ": " + dds_strretcode(code);
  return Status::error;
}

Status Endpoint::wait_for_peers(uint32_t count, milliseconds timeout)
{
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    uint32_t matched = 0;
    dds_return_t rc;
    if (impl_->role == Role::writer) {
      dds_publication_matched_status_t status;
      rc = dds_get_publication_matched_status(impl_->endpoint, &status);
      matched = status.current_count;
    } else {
      dds_subscription_matched_status_t status;
      rc = dds_get_subscription_matched_status(impl_->endpoint, &status);
      matched = status.current_count;
    }
    if (rc < 0) {
      return fail("matched status", rc);
    }
    if (matched >= count) {
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
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const dds_return_t rc = dds_write(impl_->endpoint, message);
    if (rc == DDS_RETCODE_OK) {
      return Status::ok;
    }
    if (rc != DDS_RETCODE_TIMEOUT) {
      return fail("write", rc);
    }
    if (Clock::now() >= deadline) {
      last_error_ = "write blocked by a full history until the timeout";
      return Status::timeout;
    }
  }
}

Status Endpoint::write_bytes(const uint8_t * bytes, uint32_t size, milliseconds timeout)
{
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    ddsi_serdata * serdata = serdata_from_bytes(impl_->sertype, bytes, size);
    if (serdata == nullptr) {
      last_error_ = "no memory for a sample of " + std::to_string(size) + " bytes";
      return Status::error;
    }
    const dds_return_t rc = dds_writecdr(impl_->endpoint, serdata);  // takes the reference
    if (rc == DDS_RETCODE_OK) {
      return Status::ok;
    }
    if (rc != DDS_RETCODE_TIMEOUT) {
      return fail("write", rc);
    }
    if (Clock::now() >= deadline) {
      last_error_ = "write blocked by a full history until the timeout";
      return Status::timeout;
    }
  }
}

Status Endpoint::wait_acknowledged(milliseconds timeout)
{
  const dds_return_t rc = dds_wait_for_acks(impl_->endpoint, to_duration(timeout));
  if (rc == DDS_RETCODE_TIMEOUT) {
    last_error_ = "not every reader acknowledged every sample";
    return Status::timeout;
  }
  return rc < 0 ? fail("wait for acknowledgements", rc) : Status::ok;
}

Status Endpoint::take(void * message, milliseconds timeout)
{
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    ddsi_serdata * serdata = nullptr;
    dds_sample_info_t info;
    const dds_return_t n = dds_takecdr(impl_->endpoint, &serdata, 1, &info, DDS_ANY_STATE);
    if (n < 0) {
      return fail("take", n);
    }
    if (n == 1) {
      const uint8_t * bytes = nullptr;
      uint32_t size = 0;
      std::string error;
      const bool valid = info.valid_data && serdata_bytes(serdata, &bytes, &size);
      const bool decoded = valid && impl_->codec->decode(bytes, size, message, &error);
      ddsi_serdata_unref(serdata);
      if (decoded) {
        return Status::ok;
      }
      if (valid) {
        ++dropped_;
        std::fprintf(stderr, "pelmora-dds: dropped a sample of %u bytes: %s\n", size, error.c_str());
      }
      continue;
    }
    const milliseconds left = left_until(deadline);
    if (left.count() <= 0) {
      last_error_ = "no sample before the timeout";
      return Status::timeout;
    }
    const dds_return_t woken = dds_waitset_wait(impl_->waitset, nullptr, 0, to_duration(left));
    if (woken < 0) {
      return fail("wait for data", woken);
    }
  }
}

size_t Endpoint::payload_size(const void * message) const
{
  return impl_->codec->serialized_size(message);
}

}  // namespace pelmora_dds_cyclonedds
