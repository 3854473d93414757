#include "pelmora_dds/endpoint.hpp"

#include <cstring>
#include <thread>

#include "fastdds/backend.hpp"
#ifdef PELMORA_DDS_WITH_CYCLONEDDS
#include "cyclonedds/backend.hpp"
#endif

namespace pelmora_dds
{

namespace
{

struct Vendor
{
  const char * name;
  /// The type supports the vendor moves messages with: for C messages and
  /// for C++ messages.
  const char * c_identifier;
  const char * cpp_identifier;
  BackendFactory * create;
  /// Whether the backend applies EndpointOptions::security. Last and false
  /// unless set, so that a backend added without it refuses a secured
  /// participant instead of running it unsecured.
  bool secures = false;
};

// Every backend of this build, by the name --vendor takes.
const Vendor kVendors[] = {
  {"fastdds", "rosidl_typesupport_fastrtps_c", "rosidl_typesupport_fastrtps_cpp",
    fastdds::create_endpoint, true},
#ifdef PELMORA_DDS_WITH_CYCLONEDDS
  {"cyclonedds", "rosidl_typesupport_introspection_c", "rosidl_typesupport_introspection_cpp",
    cyclonedds::create_endpoint, true},
#endif
};

// Handles of C++ messages carry identifiers ending in "_cpp" (the C++
// dispatcher's and every C++ type support's); all others are C.
bool for_cpp_messages(const rosidl_message_type_support_t * handle)
{
  const char * id = handle->typesupport_identifier;
  const size_t length = id != nullptr ? std::strlen(id) : 0;
  return length >= 4 && std::strcmp(id + length - 4, "_cpp") == 0;
}

}  // namespace

std::vector<std::string> vendors()
{
  std::vector<std::string> names;
  for (const Vendor & vendor : kVendors) {
    names.push_back(vendor.name);
  }
  return names;
}

std::unique_ptr<Endpoint> Endpoint::create(
  Role role, const rosidl_message_type_support_t * type_support, const EndpointOptions & options,
  std::string * error, MessageFactory factory)
{
  auto fail = [error](const std::string & what) {
      if (error != nullptr) {
        *error = what;
      }
      return std::unique_ptr<Endpoint>();
    };
  if (type_support == nullptr || options.topic.empty()) {
    return fail("a type support and a topic name are required");
  }
  for (const Vendor & vendor : kVendors) {
    if (options.vendor != vendor.name) {
      continue;
    }
    if (options.security.enabled && !vendor.secures) {
      return fail("the " + options.vendor + " backend has no DDS Security in this build: run it "
               "without ROS_SECURITY_ENABLE=true, or secured with --vendor fastdds");
    }
    // As a middleware does: ask the handle the client library holds for
    // the vendor's own type support (a handle of that kind answers itself).
    const char * wanted = for_cpp_messages(type_support) ? vendor.cpp_identifier : vendor.c_identifier;
    const rosidl_message_type_support_t * own = resolve_type_support(type_support, wanted, error);
    return own == nullptr ? nullptr : vendor.create(role, own, options, error, factory);
  }
  return fail("no DDS vendor '" + options.vendor + "' in this build");
}

Status Endpoint::wait_for_peers(uint32_t count, std::chrono::milliseconds timeout)
{
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;; ) {
    const uint32_t matched = matched_count();
    if (matched >= count) {
      return Status::ok;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      last_error_ = "matched " + std::to_string(matched) + " of " + std::to_string(count) + " peers";
      return Status::timeout;
    }
    std::this_thread::sleep_for(kPollStep);
  }
}

Status Endpoint::write_until(const std::function<Attempt()> & attempt, std::chrono::milliseconds timeout)
{
  if (role_ != Role::writer) {
    last_error_ = "write on a reader";
    return Status::error;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;; ) {
    const Attempt tried = attempt();
    if (tried != Attempt::blocked) {
      return tried == Attempt::done ? Status::ok : Status::error;
    }
    ++blocked_writes_;
    if (std::chrono::steady_clock::now() >= deadline) {
      last_error_ = "write timed out: history full and not acknowledged";
      return Status::timeout;
    }
  }
}

}  // namespace pelmora_dds
