#include "pelmora_dds/pelmora_dds.h"

#include <cassert>
#include <cstdio>
#include <deque>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "command_line.hpp"
#include "pelmora_dds/endpoint.hpp"
#include "pelmora_dds/environment.hpp"
#include "security/settings.hpp"
#include "tool.hpp"

using pelmora_dds::Endpoint;
using pelmora_dds::PeerEvent;
using pelmora_dds::Status;
using std::chrono::milliseconds;

struct pelmora_dds_options
{
  pelmora_dds::EndpointOptions options;
  std::string description;
  bool security_resolved = false;
  std::string warning;
};

struct pelmora_dds_endpoint
{
  std::unique_ptr<Endpoint> endpoint;
  std::deque<PeerEvent> events;
  std::string detail;
  std::vector<uint8_t> serialized;  // the last serialized take's bytes
};

namespace
{

thread_local std::string last_error;

int report(const Endpoint & endpoint, Status status)
{
  if (status == Status::ok) {
    return PELMORA_DDS_OK;
  }
  last_error = endpoint.last_error();
  return status == Status::timeout ? PELMORA_DDS_TIMEOUT : PELMORA_DDS_ERROR;
}

// Runs `body`; an exception becomes `failed`, its text the last error: no
// C++ exception crosses the C interface.
template<typename Result, typename Body>
Result guarded(Result failed, Body body)
{
  try {
    return body();
  } catch (const std::exception & e) {
    last_error = e.what();
    return failed;
  }
}

// Resolves the security of `options` in place; false with last_error set
// when refused.
bool resolve_security(pelmora_dds_options * options)
{
  namespace security = pelmora_dds::security;
  const security::Resolution resolution = security::resolve(
    security::SecurityEnvironment::from_process(), &options->options.security);
  options->warning = resolution.refused ? std::string() : resolution.message;
  options->security_resolved = !resolution.refused;
  if (resolution.refused) {
    last_error = resolution.message;
  }
  return !resolution.refused;
}

}  // namespace

extern "C" pelmora_dds_options * pelmora_dds_options_create(void)
{
  return guarded<pelmora_dds_options *>(nullptr, []() -> pelmora_dds_options * {
      auto created = std::make_unique<pelmora_dds_options>();
      const std::string wrong = pelmora_dds::apply_process_environment(&created->options);
      if (!wrong.empty()) {
        last_error = wrong;
        return nullptr;
      }
      return created.release();
    });
}

extern "C" void pelmora_dds_options_destroy(pelmora_dds_options * options)
{
  delete options;
}

extern "C" int pelmora_dds_options_parse(
  pelmora_dds_options * options, int argc, const char * const * argv)
{
  assert(options != nullptr && argc >= 0 && (argc == 0 || argv != nullptr));
  return guarded<int>(PELMORA_DDS_ERROR, [&]() {
      const std::vector<std::string> args(argv, argv + argc);
      const std::string wrong = pelmora_dds::parse_endpoint_options(args, &options->options);
      if (!wrong.empty()) {
        last_error = wrong;
        return PELMORA_DDS_ERROR;
      }
      options->security_resolved = false;
      return PELMORA_DDS_OK;
    });
}

extern "C" int pelmora_dds_options_resolve_security(pelmora_dds_options * options, const char ** warning)
{
  assert(options != nullptr && warning != nullptr);
  *warning = "";
  return guarded<int>(PELMORA_DDS_REFUSED, [&]() {
      const bool resolved = resolve_security(options);
      *warning = options->warning.c_str();
      return resolved ? PELMORA_DDS_OK : PELMORA_DDS_REFUSED;
    });
}

extern "C" void pelmora_dds_options_set_largest_sample(pelmora_dds_options * options, uint32_t bytes)
{
  assert(options != nullptr);
  if (bytes != 0) {
    options->options.largest_sample = bytes;
  }
}

extern "C" const char * pelmora_dds_options_describe(pelmora_dds_options * options)
{
  assert(options != nullptr);
  options->description = pelmora_dds::describe(options->options);
  return options->description.c_str();
}

extern "C" pelmora_dds_endpoint * pelmora_dds_endpoint_create(
  int is_writer, const rosidl_message_type_support_t * dispatcher, pelmora_dds_options * options)
{
  if (dispatcher == nullptr || options == nullptr) {
    last_error = "null argument";
    return nullptr;
  }
  return guarded<pelmora_dds_endpoint *>(nullptr, [&]() -> pelmora_dds_endpoint * {
      if (!options->security_resolved) {
        if (!resolve_security(options)) {
          return nullptr;
        }
        if (!options->warning.empty()) {
          std::fprintf(stderr, "pelmora_dds: %s\n", options->warning.c_str());
        }
      }
      auto endpoint = Endpoint::create(
        is_writer ? Endpoint::Role::writer : Endpoint::Role::reader, dispatcher, options->options,
        &last_error);
      if (!endpoint) {
        return nullptr;
      }
      return new pelmora_dds_endpoint{std::move(endpoint), {}, {}, {}};
    });
}

extern "C" void pelmora_dds_endpoint_destroy(pelmora_dds_endpoint * endpoint)
{
  delete endpoint;
}

extern "C" int pelmora_dds_next_event(pelmora_dds_endpoint * endpoint, const char ** detail)
{
  assert(endpoint != nullptr && detail != nullptr);
  for (PeerEvent & event : endpoint->endpoint->take_events()) {
    endpoint->events.push_back(std::move(event));
  }
  if (endpoint->events.empty()) {
    *detail = "";
    return 0;
  }
  const PeerEvent event = std::move(endpoint->events.front());
  endpoint->events.pop_front();
  endpoint->detail = event.detail;
  *detail = endpoint->detail.c_str();
  switch (event.kind) {
    case PeerEvent::Kind::matched: return PELMORA_DDS_EVENT_MATCHED;
    case PeerEvent::Kind::lost: return PELMORA_DDS_EVENT_LOST;
    case PeerEvent::Kind::not_alive: return PELMORA_DDS_EVENT_NOT_ALIVE;
    case PeerEvent::Kind::alive: return PELMORA_DDS_EVENT_ALIVE;
    case PeerEvent::Kind::incompatible: break;
  }
  return PELMORA_DDS_EVENT_INCOMPATIBLE;
}

extern "C" int pelmora_dds_take(pelmora_dds_endpoint * endpoint, void * message, uint32_t timeout_ms)
{
  assert(endpoint != nullptr && message != nullptr);
  return report(*endpoint->endpoint, endpoint->endpoint->take(message, milliseconds(timeout_ms)));
}

extern "C" int pelmora_dds_take_serialized(
  pelmora_dds_endpoint * endpoint, const uint8_t ** data, uint32_t * size, uint32_t timeout_ms)
{
  assert(endpoint != nullptr && data != nullptr && size != nullptr);
  const int status = guarded<int>(PELMORA_DDS_ERROR, [&] {
        return report(
          *endpoint->endpoint,
          endpoint->endpoint->take_serialized(&endpoint->serialized, milliseconds(timeout_ms)));
      });
  if (status != PELMORA_DDS_OK) {
    endpoint->serialized.clear();
  }
  *data = endpoint->serialized.data();
  *size = static_cast<uint32_t>(endpoint->serialized.size());
  return status;
}

extern "C" const char * pelmora_dds_last_error(void)
{
  return last_error.c_str();
}

extern "C" int pelmora_dds_main(
  int argc, const char * const * argv, const char * side, pelmora_dds_relay relay, void * context)
{
  assert(argc >= 1 && argv != nullptr && (relay == nullptr || side != nullptr));
  return pelmora_dds::tool_main(argc, argv, pelmora_dds::Relay{side, relay, context});
}

extern "C" int pelmora_dds_sample(void * message, uint32_t seed, uint32_t index, uint32_t keypoints)
{
  assert(message != nullptr);
  if (!pelmora_dds::c_side().fill(message, seed, index, keypoints)) {
    last_error = "out of memory for sample " + std::to_string(index);
    return PELMORA_DDS_ERROR;
  }
  return PELMORA_DDS_OK;
}
