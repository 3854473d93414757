// One Cyclone DDS writer or reader with its own participant, moving
// messages through the introspection walker.
#ifndef PELMORA_DDS__CYCLONEDDS__ENDPOINT_HPP_
#define PELMORA_DDS__CYCLONEDDS__ENDPOINT_HPP_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "pelmora_cdr_walker/walker.hpp"
#include "settings.hpp"

namespace pelmora_dds_cyclonedds
{

enum class Status { ok, timeout, error };
enum class Role { writer, reader };

/// Not thread-safe: one thread drives an endpoint. Every blocking call
/// returns by its timeout.
class Endpoint
{
public:
  /// Null with `error` set when the domain, participant, topic or endpoint
  /// cannot be made. `codec` must outlive the endpoint.
  static std::unique_ptr<Endpoint> create(
    Role role, const pelmora_cdr_walker::Codec & codec, const Settings & settings,
    std::string * error);

  ~Endpoint();
  Endpoint(const Endpoint &) = delete;
  Endpoint & operator=(const Endpoint &) = delete;

  /// Waits until at least `count` endpoints of the other role have matched.
  Status wait_for_peers(uint32_t count, std::chrono::milliseconds timeout);

  /// Publishes `message`, retrying while a full history blocks, until
  /// `timeout` has passed.
  Status write(const void * message, std::chrono::milliseconds timeout);

  /// Publishes `bytes` as a sample as they are, header included: for tests
  /// that must send what no encoder would write.
  Status write_bytes(const uint8_t * bytes, uint32_t size, std::chrono::milliseconds timeout);

  /// Waits until every matched reader has acknowledged every sample.
  Status wait_acknowledged(std::chrono::milliseconds timeout);

  /// Takes the next sample that decodes into `message` (an initialised
  /// message). A sample that does not decode is dropped with a line on
  /// standard error and counted; the wait goes on.
  Status take(void * message, std::chrono::milliseconds timeout);

  /// Samples dropped by take() because they did not decode.
  uint64_t dropped() const {return dropped_;}

  /// Bytes `message` occupies on the wire, header included.
  size_t payload_size(const void * message) const;

  const std::string & last_error() const {return last_error_;}

private:
  struct Impl;
  explicit Endpoint(std::unique_ptr<Impl> impl);
  Status fail(const std::string & what, int code);

  std::unique_ptr<Impl> impl_;
  std::string last_error_;
  uint64_t dropped_ = 0;
};

}  // namespace pelmora_dds_cyclonedds

#endif  // PELMORA_DDS__CYCLONEDDS__ENDPOINT_HPP_
