#include "pelmora_dds/pelmora_dds.h"

#include <cassert>
#include <exception>
#include <memory>
#include <string>

#include "pelmora_dds/endpoint.hpp"

using pelmora_dds::Endpoint;
using pelmora_dds::Status;
using std::chrono::milliseconds;

struct pelmora_dds_endpoint
{
  std::unique_ptr<Endpoint> endpoint;
};

namespace
{

thread_local std::string last_error;

int report(const Endpoint & endpoint, Status status)
{
  switch (status) {
    case Status::ok:
      return PELMORA_DDS_OK;
    case Status::timeout:
      last_error = endpoint.last_error();
      return PELMORA_DDS_TIMEOUT;
    case Status::error:
      break;
  }
  last_error = endpoint.last_error();
  return PELMORA_DDS_ERROR;
}

}  // namespace

extern "C" pelmora_dds_endpoint * pelmora_dds_endpoint_create(
  int is_writer, const rosidl_message_type_support_t * dispatcher, const char * identifier,
  uint32_t domain, const char * topic, uint32_t largest_sample)
{
  if (dispatcher == nullptr || identifier == nullptr || topic == nullptr) {
    last_error = "null argument";
    return nullptr;
  }
  try {
    const rosidl_message_type_support_t * type_support =
      pelmora_dds::resolve_type_support(dispatcher, identifier, &last_error);
    if (type_support == nullptr) {
      return nullptr;
    }
    pelmora_dds::EndpointOptions options;
    options.domain = domain;
    options.topic = topic;
    if (largest_sample != 0) {
      options.largest_sample = largest_sample;
    }
    auto endpoint = Endpoint::create(
      is_writer ? Endpoint::Role::writer : Endpoint::Role::reader, type_support, options,
      &last_error);
    if (!endpoint) {
      return nullptr;
    }
    return new pelmora_dds_endpoint{std::move(endpoint)};
  } catch (const std::exception & e) {
    last_error = e.what();
    return nullptr;
  }
}

extern "C" void pelmora_dds_endpoint_destroy(pelmora_dds_endpoint * endpoint)
{
  delete endpoint;
}

extern "C" int pelmora_dds_wait_for_peers(
  pelmora_dds_endpoint * endpoint, uint32_t count, uint32_t timeout_ms)
{
  assert(endpoint != nullptr);
  return report(*endpoint->endpoint, endpoint->endpoint->wait_for_peers(count, milliseconds(timeout_ms)));
}

extern "C" int pelmora_dds_write(
  pelmora_dds_endpoint * endpoint, const void * message, uint32_t timeout_ms)
{
  assert(endpoint != nullptr && message != nullptr);
  return report(*endpoint->endpoint, endpoint->endpoint->write(message, milliseconds(timeout_ms)));
}

extern "C" int pelmora_dds_wait_acknowledged(pelmora_dds_endpoint * endpoint, uint32_t timeout_ms)
{
  assert(endpoint != nullptr);
  return report(*endpoint->endpoint, endpoint->endpoint->wait_acknowledged(milliseconds(timeout_ms)));
}

extern "C" int pelmora_dds_take(pelmora_dds_endpoint * endpoint, void * message, uint32_t timeout_ms)
{
  assert(endpoint != nullptr && message != nullptr);
  return report(*endpoint->endpoint, endpoint->endpoint->take(message, milliseconds(timeout_ms)));
}

extern "C" uint32_t pelmora_dds_payload_size(
  const pelmora_dds_endpoint * endpoint, const void * message)
{
  assert(endpoint != nullptr && message != nullptr);
  return endpoint->endpoint->payload_size(message);
}

extern "C" const char * pelmora_dds_last_error(void)
{
  return last_error.c_str();
}
