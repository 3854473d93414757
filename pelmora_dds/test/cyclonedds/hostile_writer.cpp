// A Cyclone DDS writer of malformed Features samples: before every good
// sample it sends three bad ones, each the good sample's bytes spoilt in one
// way (a lying length word, a truncated body, an unknown encapsulation). It
// shows what a reader of either backend does with them.
//
//   hostile_writer [--side c|cpp] [--count N] [--size K[,K..]] [--seed S]
//                  [--peers R] [--timeout SEC] ENDPOINT_OPTIONS...
//
// ENDPOINT_OPTIONS are pelmora-dds's (--topic, --domain, --transport, ...);
// the vendor is always cyclonedds. Exit status as pelmora-dds pub.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cyclonedds/backend.hpp"
#include "pelmora_cdr_walker/walker.hpp"
#include "command_line.hpp"
#include "run_options.hpp"
#include "sides.hpp"

namespace
{

using namespace pelmora_dds;
using pelmora_cyclonedds_peer::left_until;

std::vector<std::vector<uint8_t>> spoilt(const std::vector<uint8_t> & good)
{
  std::vector<uint8_t> lying = good;
  const uint32_t lie = 0xfffffff0u;
  std::memcpy(lying.data() + 4 + 8, &lie, 4);  // descriptor's length word
  std::vector<uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
  std::vector<uint8_t> foreign = good;
  foreign[1] = 0x03;  // parameter-list CDR, which no ROS peer sends
  return {lying, truncated, foreign};
}

struct Args : pelmora_cyclonedds_peer::RunOptions
{
  std::string side = "c";
};

}  // namespace

int main(int argc, char ** argv)
{
  Args a;
  EndpointOptions options;
  CLI::App app("a Cyclone DDS writer of malformed Features samples", "hostile_writer");
  pelmora_cyclonedds_peer::add_run_options(app, a);
  app.add_option("--side", a.side, "c or cpp")->check(CLI::IsMember({"c", "cpp"}));
  add_endpoint_options(app, options);
  const int usage = pelmora_cyclonedds_peer::parse(app, argc, argv);
  if (usage >= 0) {
    return usage;
  }
  const auto deadline = a.deadline();
  const Side & side = a.side == "c" ? c_side() : *cpp_side();
  std::string error;
  const rosidl_message_type_support_t * introspection = resolve_type_support(side.dispatcher(),
    a.side == "c" ? "rosidl_typesupport_introspection_c" : "rosidl_typesupport_introspection_cpp", &error);
  const auto codec = introspection == nullptr ? nullptr : pelmora_cdr_walker::make_codec(introspection, &error);
  options.vendor = "cyclonedds";
  options.largest_sample = 64u << 20;
  auto writer = codec == nullptr ? nullptr : cyclonedds::open(Endpoint::Role::writer, introspection, options, &error);
  if (writer == nullptr) {
    std::fprintf(stderr, "hostile_writer: %s\n", error.c_str());
    return 3;
  }
  if (writer->wait_for_peers(a.peers, left_until(deadline)) != Status::ok) {
    std::fprintf(stderr, "hostile_writer: %s\n", writer->last_error().c_str());
    return 2;
  }
  void * message = side.create();
  Status status = Status::ok;
  for (uint32_t i = 0; i < a.count && status == Status::ok; ++i) {
    side.fill(message, a.seed, i, a.sizes[i % a.sizes.size()]);
    std::vector<uint8_t> good(codec->serialized_size(message));
    codec->encode(message, good.data(), good.size(), pelmora_cdr_walker::native_byte_order(), nullptr, nullptr);
    for (const auto & bad : spoilt(good)) {
      if (status == Status::ok) {
        status = writer->write_bytes(bad.data(), static_cast<uint32_t>(bad.size()), left_until(deadline));
      }
    }
    if (status == Status::ok) {
      status = writer->write(message, left_until(deadline));
    }
  }
  side.destroy(message);
  if (status == Status::ok) {
    status = writer->wait_acknowledged(left_until(deadline));
  }
  if (status != Status::ok) {
    std::fprintf(stderr, "hostile_writer: %s\n", writer->last_error().c_str());
    return status == Status::timeout ? 2 : 3;
  }
  std::printf("hostile_writer published %u good and %u bad samples\n", a.count, 3 * a.count);
  return 0;
}
