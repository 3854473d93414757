// The Fast DDS backend of the endpoint seam.
#ifndef PELMORA_DDS__FASTDDS__BACKEND_HPP_
#define PELMORA_DDS__FASTDDS__BACKEND_HPP_

#include <memory>
#include <string>

#include "backend_common.hpp"
#include "pelmora_dds/endpoint.hpp"

namespace pelmora_dds
{
namespace fastdds
{

BackendFactory create_endpoint;

}  // namespace fastdds
}  // namespace pelmora_dds

#endif  // PELMORA_DDS__FASTDDS__BACKEND_HPP_
