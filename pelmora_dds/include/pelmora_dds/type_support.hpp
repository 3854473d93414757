// What every backend needs of a ROS type-support handle: the Fast-CDR
// callbacks record behind it, the DDS type name, the encapsulation header.
#ifndef PELMORA_DDS__TYPE_SUPPORT_HPP_
#define PELMORA_DDS__TYPE_SUPPORT_HPP_

#include <cstdint>
#include <functional>
#include <string>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace pelmora_dds
{

/// Bytes of the CDR encapsulation header in front of every payload: a
/// two-byte representation id (CDR_BE 0x0000 or CDR_LE 0x0001, big-endian on
/// the wire) and two option bytes.
constexpr uint32_t kEncapsulationBytes = 4;

/// Asks a dispatcher handle (or a type-support handle) for the type support
/// registered under `identifier`, as a middleware does. Returns null and fills
/// `error` when the dispatcher knows no such identifier or cannot load it.
const rosidl_message_type_support_t * resolve_type_support(
  const rosidl_message_type_support_t * dispatcher, const char * identifier,
  std::string * error);

/// Creates and destroys messages of the type for a middleware's own sample
/// pools. Optional: endpoints never need them to write or take into
/// caller-owned messages.
struct MessageFactory
{
  void * (*create)() = nullptr;
  void (*destroy)(void * message) = nullptr;
};

/// Told of every payload the decoder refuses: its bytes and what the decoder
/// or the header check said. Called on the thread that takes samples.
using DropObserver =
  std::function<void(const uint8_t * payload, uint32_t size, const std::string & decoder_said)>;

/// DDS type name of a ROS message: "<namespace>::dds_::<name>_", the name
/// under which every ROS 2 middleware registers it, so C and C++ peers match.
std::string dds_type_name(const message_type_support_callbacks_t * callbacks);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__TYPE_SUPPORT_HPP_
