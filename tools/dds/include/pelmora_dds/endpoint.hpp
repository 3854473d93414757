// One DDS writer or reader with its own participant, confined to this host.
#ifndef PELMORA_DDS__ENDPOINT_HPP_
#define PELMORA_DDS__ENDPOINT_HPP_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "pelmora_dds/callbacks_type.hpp"

namespace pelmora_dds
{

enum class Status { ok, timeout, error };

struct EndpointOptions
{
  uint32_t domain = 0;
  /// ROS topic name; the DDS topic is "rt/" + topic, as ROS 2 names it.
  std::string topic;
  /// Payload bytes of the largest sample the endpoint will move. Sizes the
  /// shared-memory segment and the history depth; a sample larger than this
  /// still travels, only less smoothly.
  uint32_t largest_sample = 64 * 1024;
};

/// Transport settings every participant of this library gets: shared memory
/// only, no UDP, no multicast, nothing that leaves the machine.
struct TransportPlan
{
  uint32_t segment_bytes;
  uint32_t port_queue_capacity;
  int32_t history_depth;
};
TransportPlan plan_for(uint32_t largest_sample);

/// A participant with one reliable, transient-local, keep-all writer or
/// reader on one topic. Every blocking call takes a timeout and returns by
/// it. Not thread-safe: one thread drives an endpoint.
class Endpoint
{
public:
  enum class Role { writer, reader };

  /// Builds the endpoint over a Fast-CDR type-support handle (see
  /// resolve_type_support). Returns null and fills `error` on failure.
  static std::unique_ptr<Endpoint> create(
    Role role, const rosidl_message_type_support_t * type_support,
    const EndpointOptions & options, std::string * error, MessageFactory factory = {});

  ~Endpoint();
  Endpoint(const Endpoint &) = delete;
  Endpoint & operator=(const Endpoint &) = delete;

  /// Waits until at least `count` endpoints of the other role have matched.
  Status wait_for_peers(uint32_t count, std::chrono::milliseconds timeout);

  /// Publishes `message`, retrying while a full history makes Fast-DDS time
  /// out, until `timeout` has passed.
  Status write(const void * message, std::chrono::milliseconds timeout);

  /// Waits until every matched reader has acknowledged every sample.
  Status wait_acknowledged(std::chrono::milliseconds timeout);

  /// Takes the next sample into `message` (an initialised message of the
  /// type-support's language, which the decoder overwrites).
  Status take(void * message, std::chrono::milliseconds timeout);

  /// Payload bytes `message` occupies on the wire, header included.
  uint32_t payload_size(const void * message) const;

  const std::string & last_error() const {return last_error_;}

private:
  struct Impl;
  explicit Endpoint(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  std::string last_error_;
};

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__ENDPOINT_HPP_
