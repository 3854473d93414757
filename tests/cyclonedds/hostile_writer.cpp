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
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cyclonedds/backend.hpp"
#include "pelmora_cdr_walker/walker.hpp"
#include "command_line.hpp"
#include "sides.hpp"

namespace
{

using namespace pelmora_dds;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds left_until(Clock::time_point deadline)
{
  return std::max(milliseconds(0), std::chrono::duration_cast<milliseconds>(deadline - Clock::now()));
}

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

struct Args
{
  std::string side = "c";
  uint32_t count = 1;
  std::vector<uint32_t> sizes{0};
  uint32_t seed = 1;
  uint32_t peers = 1;
  double timeout = 30;
  std::vector<std::string> endpoint;
};

bool parse(int argc, char ** argv, Args * a)
{
  for (int i = 1; i < argc; ++i) {
    const std::string key = argv[i];
    const bool ours = key == "--side" || key == "--count" || key == "--size" || key == "--seed" ||
      key == "--peers" || key == "--timeout";
    if (!ours) {
      a->endpoint.push_back(key);
      continue;
    }
    if (i + 1 >= argc) {
      return false;
    }
    const char * value = argv[++i];
    if (key == "--side") {
      a->side = value;
    } else if (key == "--count") {
      a->count = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    } else if (key == "--seed") {
      a->seed = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    } else if (key == "--peers") {
      a->peers = static_cast<uint32_t>(std::strtoul(value, nullptr, 10));
    } else if (key == "--timeout") {
      a->timeout = std::strtod(value, nullptr);
    } else {
      a->sizes.clear();
      for (char * p = const_cast<char *>(value); *p != '\0'; p += *p == ',' ? 1 : 0) {
        a->sizes.push_back(static_cast<uint32_t>(std::strtoul(p, &p, 10)));
      }
    }
  }
  return (a->side == "c" || a->side == "cpp") && !a->sizes.empty();
}

}  // namespace

int main(int argc, char ** argv)
{
  Args a;
  EndpointOptions options;
  const std::string problem = parse(argc, argv, &a) ?
    parse_endpoint_options(a.endpoint, &options) : "usage: see the head of hostile_writer.cpp";
  if (!problem.empty()) {
    std::fprintf(stderr, "hostile_writer: %s\n", problem.c_str());
    return 64;
  }
  const auto deadline = Clock::now() + milliseconds(static_cast<int64_t>(a.timeout * 1000));
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
