// What the endpoint seam and its backends share: the factory each backend
// gives the vendor table and the way a backend's endpoint is opened, the
// polling step and the keep-all history bound.
#ifndef PELMORA_DDS__BACKEND_COMMON_HPP_
#define PELMORA_DDS__BACKEND_COMMON_HPP_

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "pelmora_dds/endpoint.hpp"

namespace pelmora_dds
{

/// The one polling step of the seam and the backends: matched-count waits,
/// a secured reader's grace.
constexpr std::chrono::milliseconds kPollStep{20};

/// Samples a keep-all history holds: about 64 MB of the largest sample on
/// each side, between 4 and 256 samples, so that megabyte samples cannot
/// take all memory; a full history then holds the writer back.
inline int32_t keep_all_depth(uint32_t largest_sample)
{
  constexpr uint64_t kBudget = 64ull * 1024 * 1024;
  return static_cast<int32_t>(
    std::clamp<uint64_t>(kBudget / std::max<uint32_t>(largest_sample, 1), 4, 256));
}

/// The vendor table's entry of a backend, declared by each as
/// `BackendFactory create_endpoint;`. `type_support` is the backend's own
/// kind of type support, as the seam resolved it.
using BackendFactory = std::unique_ptr<Endpoint>(
  Endpoint::Role role, const rosidl_message_type_support_t * type_support,
  const EndpointOptions & options, std::string * error, MessageFactory factory);

/// A backend's endpoint of `role`, or null with `error` filled when its
/// `open(arguments...)` says why it cannot be made.
template<typename Backend, typename ... Arguments>
std::unique_ptr<Backend> opened(Endpoint::Role role, std::string * error, Arguments && ... arguments)
{
  auto endpoint = std::make_unique<Backend>(role);
  const std::string failure = endpoint->open(std::forward<Arguments>(arguments)...);
  if (failure.empty()) {
    return endpoint;
  }
  if (error != nullptr) {
    *error = failure;
  }
  return nullptr;
}

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__BACKEND_COMMON_HPP_
