// The seam between the tool and a DDS implementation: one writer or reader
// with its own participant, built from EndpointOptions over the
// type-support handle a client library holds. The command line, the sample content and the checks
// sit above it and know no vendor; each vendor implements it in its own
// folder (src/<vendor>/).
#ifndef PELMORA_DDS__ENDPOINT_HPP_
#define PELMORA_DDS__ENDPOINT_HPP_

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pelmora_dds/options.hpp"
#include "pelmora_dds/type_support.hpp"

namespace pelmora_dds
{

enum class Status { ok, timeout, error };

/// Something that happened between this endpoint and a remote one.
struct PeerEvent
{
  enum class Kind
  {
    matched,         ///< a remote endpoint of the other role matched
    lost,            ///< a matched remote endpoint went away
    incompatible,    ///< a remote endpoint was refused for its QoS
    not_alive,       ///< a matched writer let its liveliness lease run out
    alive,           ///< a writer asserts its liveliness (again)
  };
  Kind kind;
  /// The remote endpoint's identity (a GUID), or for `incompatible` the
  /// policy that failed ("DURABILITY").
  std::string detail;
};

/// What a reader could not hand over, counted since it was made.
struct ReaderLosses
{
  uint64_t dropped = 0;  ///< payloads the decoder refused (malformed)
  uint64_t lost = 0;     ///< samples the middleware reports lost (never received)
};

/// Every blocking call takes a timeout and returns by it. Not thread-safe:
/// one thread drives an endpoint.
class Endpoint
{
public:
  enum class Role { writer, reader };

  virtual ~Endpoint() = default;
  Endpoint(const Endpoint &) = delete;
  Endpoint & operator=(const Endpoint &) = delete;

  /// Waits until at least `count` endpoints of the other role have matched
  /// (polls matched_count(), which every backend answers).
  Status wait_for_peers(uint32_t count, std::chrono::milliseconds timeout);

  /// Publishes `message` (a message of the type support's language), retrying
  /// while a full keep-all history holds it back, until `timeout` has passed.
  virtual Status write(const void * message, std::chrono::milliseconds timeout) = 0;

  /// Waits until every matched reader has acknowledged every sample.
  virtual Status wait_acknowledged(std::chrono::milliseconds timeout) = 0;

  /// Takes the next sample into `message` (an initialised message of the
  /// type support's language, which the decoder overwrites).
  virtual Status take(void * message, std::chrono::milliseconds timeout) = 0;

  /// Takes the next sample's bytes into `bytes` as they arrived, the
  /// encapsulation header included, without decoding them: the caller
  /// checks them (as a middleware's serialized take leaves to its caller).
  virtual Status take_serialized(std::vector<uint8_t> * bytes, std::chrono::milliseconds timeout) = 0;

  /// Payload bytes `message` occupies on the wire, header included.
  virtual uint32_t payload_size(const void * message) const = 0;

  /// Events since the last call, oldest first.
  virtual std::vector<PeerEvent> take_events() = 0;

  /// Remote endpoints matched now.
  virtual uint32_t matched_count() = 0;

  // What a backend can tell about faults. A backend that cannot tell
  // reports nothing; echo then counts only the holes it sees itself.

  /// Reader: refused and lost samples so far.
  virtual ReaderLosses losses() {return {};}

  /// Reader: told of every refused payload, during take, instead of the
  /// backend's own line on stderr.
  virtual void set_drop_observer(DropObserver observer) {(void)observer;}

  /// Writer: writes that found a full keep-all history and waited the
  /// blocking time for room.
  uint64_t blocked_writes() const {return blocked_writes_;}

  const std::string & last_error() const {return last_error_;}

  /// Builds an endpoint of `options.vendor`. `type_support` is the handle a
  /// client library holds (a dispatcher) or a type support of the kind the
  /// vendor moves messages with; the vendor asks it for its own kind (Fast
  /// DDS the Fast-CDR type support, Cyclone DDS the introspection one) in
  /// the handle's language. Returns null and fills `error` on failure
  /// (unknown vendor, no such type support, invalid settings, DDS refusal).
  static std::unique_ptr<Endpoint> create(
    Role role, const rosidl_message_type_support_t * type_support,
    const EndpointOptions & options, std::string * error, MessageFactory factory = {});

protected:
  explicit Endpoint(Role role)
  : role_(role) {}

  /// What one try of a backend's write came to: the sample went, a full
  /// keep-all history held it back (tried again until the timeout), or the
  /// write failed with last_error_ set.
  enum class Attempt { done, blocked, failed };

  /// The write loop of every backend: `attempt` until it is done or fails,
  /// or the timeout has passed; each blocked try counts in blocked_writes().
  Status write_until(const std::function<Attempt()> & attempt, std::chrono::milliseconds timeout);

  const Role role_;
  std::string last_error_;

private:
  uint64_t blocked_writes_ = 0;
};

/// Vendors this build can create endpoints of.
std::vector<std::string> vendors();

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__ENDPOINT_HPP_
