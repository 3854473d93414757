// The Cyclone DDS backend of the endpoint seam: Cyclone's custom type
// interface over the introspection walker, so the walker's CDR bytes are
// what travels (see walker_sertype.hpp).
#ifndef PELMORA_DDS__CYCLONEDDS__BACKEND_HPP_
#define PELMORA_DDS__CYCLONEDDS__BACKEND_HPP_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "backend_common.hpp"
#include "pelmora_dds/endpoint.hpp"

namespace pelmora_dds
{
namespace cyclonedds
{

/// The seam's endpoint with what only this backend offers, for tests.
class CycloneEndpoint : public Endpoint
{
public:
  /// Publishes `bytes` as one sample exactly as given, header included:
  /// for tests that must send what no encoder would write.
  virtual Status write_bytes(
    const uint8_t * bytes, uint32_t size, std::chrono::milliseconds timeout) = 0;

protected:
  using Endpoint::Endpoint;
};

/// `type_support` is an introspection handle (C or C++), as the seam
/// resolves it for this vendor.
std::unique_ptr<CycloneEndpoint> open(
  Endpoint::Role role, const rosidl_message_type_support_t * type_support,
  const EndpointOptions & options, std::string * error);

BackendFactory create_endpoint;

}  // namespace cyclonedds
}  // namespace pelmora_dds

#endif  // PELMORA_DDS__CYCLONEDDS__BACKEND_HPP_
