#include "pelmora_dds/endpoint.hpp"

#include "fastdds/backend.hpp"

namespace pelmora_dds
{

namespace
{

struct Vendor
{
  const char * name;
  std::unique_ptr<Endpoint> (*create)(
    Endpoint::Role, const rosidl_message_type_support_t *, const EndpointOptions &, std::string *,
    MessageFactory);
};

// Every backend of this build, by the name --vendor takes.
const Vendor kVendors[] = {
  {"fastdds", fastdds::create_endpoint},
};

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
    if (options.vendor == vendor.name) {
      return vendor.create(role, type_support, options, error, factory);
    }
  }
  return fail("no DDS vendor '" + options.vendor + "' in this build");
}

}  // namespace pelmora_dds
