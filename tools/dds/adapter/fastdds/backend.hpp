// The Fast DDS backend of the endpoint seam.
#ifndef PELMORA_DDS__FASTDDS__BACKEND_HPP_
#define PELMORA_DDS__FASTDDS__BACKEND_HPP_

#include <memory>
#include <string>

#include "pelmora_dds/endpoint.hpp"

namespace pelmora_dds
{
namespace fastdds
{

std::unique_ptr<Endpoint> create_endpoint(
  Endpoint::Role role, const rosidl_message_type_support_t * type_support,
  const EndpointOptions & options, std::string * error, MessageFactory factory);

}  // namespace fastdds
}  // namespace pelmora_dds

#endif  // PELMORA_DDS__FASTDDS__BACKEND_HPP_
