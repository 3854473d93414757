// A Cyclone DDS peer that moves Features through the introspection walker:
// C records through the C dispatcher or C++ messages through the C++ one.
// Same command line as features_witness, plus --side c|cpp and, for pub,
// --hostile: before every good sample it sends three bad ones (a lying
// length word, a truncated body, an unknown encapsulation).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cyclonedds/endpoint.hpp"
#include "features_content.hpp"
#include "peer_args.hpp"
#include "sides.hpp"

namespace
{

using namespace pelmora_dds_cyclonedds;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds left_until(Clock::time_point deadline)
{
  return std::max(milliseconds(0), std::chrono::duration_cast<milliseconds>(deadline - Clock::now()));
}

// The three bad variants of a good sample's bytes.
std::vector<std::vector<uint8_t>> hostile_variants(const std::vector<uint8_t> & good)
{
  std::vector<uint8_t> lying = good;
  const uint32_t lie = 0xfffffff0u;
  std::memcpy(lying.data() + 4 + 8, &lie, 4);  // descriptor's length word
  std::vector<uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
  std::vector<uint8_t> foreign = good;
  foreign[1] = 0x07;  // XCDR2, which the walker does not read
  return {lying, truncated, foreign};
}

int publish(const pelmora_tests::Args & a, const pelmora_dds::Side & side, Endpoint & writer,
  const pelmora_cdr_walker::Codec & codec, Clock::time_point deadline)
{
  if (writer.wait_for_peers(a.peers, left_until(deadline)) != Status::ok) {
    std::fprintf(stderr, "walker_peer: %s\n", writer.last_error().c_str());
    return 2;
  }
  void * message = side.create();
  int status = 0;
  for (uint32_t i = 0; i < a.count && status == 0; ++i) {
    if (!side.fill(message, a.seed, i, a.sizes[i % a.sizes.size()])) {
      status = 3;
      break;
    }
    if (a.hostile) {
      std::vector<uint8_t> good(codec.serialized_size(message));
      codec.encode(message, good.data(), good.size(), pelmora_cdr_walker::native_byte_order(), nullptr, nullptr);
      for (const auto & bad : hostile_variants(good)) {
        if (writer.write_bytes(bad.data(), static_cast<uint32_t>(bad.size()), left_until(deadline)) != Status::ok) {
          status = 2;
        }
      }
    }
    const Status written = writer.write(message, left_until(deadline));
    status = status != 0 ? status : written == Status::ok ? 0 : written == Status::timeout ? 2 : 3;
  }
  side.destroy(message);
  if (status == 0 && writer.wait_acknowledged(left_until(deadline)) != Status::ok) {
    status = 2;
  }
  if (status != 0) {
    std::fprintf(stderr, "walker_peer: %s\n", writer.last_error().c_str());
  }
  std::printf("walker_peer published %u\n", a.count);
  return status;
}

int echo(const pelmora_tests::Args & a, const pelmora_dds::Side & side, Endpoint & reader,
  Clock::time_point deadline)
{
  void * message = side.create();
  uint32_t received = 0, verified = 0;
  int status = 0;
  while (received < a.count && status == 0) {
    const Status taken = reader.take(message, left_until(deadline));
    if (taken != Status::ok) {
      std::fprintf(stderr, "walker_peer: %s\n", reader.last_error().c_str());
      status = taken == Status::timeout ? 2 : 3;
      break;
    }
    ++received;
    const std::string problem = pelmora_dds::verify(side.view(message), a.seed);
    if (problem.empty()) {
      ++verified;
    } else {
      std::fprintf(stderr, "walker_peer: sample %u: %s\n", received - 1, problem.c_str());
      status = 1;
    }
  }
  side.destroy(message);
  std::printf("walker_peer received %u verified %u dropped %llu\n", received, verified,
    static_cast<unsigned long long>(reader.dropped()));
  return status;
}

}  // namespace

int main(int argc, char ** argv)
{
  pelmora_tests::Args a;
  if (!pelmora_tests::parse(argc, argv, &a) || (a.side != "c" && a.side != "cpp")) {
    std::fprintf(stderr, "usage: walker_peer pub|echo [--side c|cpp] [--hostile] (see features_witness)\n");
    return 64;
  }
  const auto deadline = Clock::now() + milliseconds(static_cast<int64_t>(a.timeout * 1000));
  const pelmora_dds::Side * side = a.side == "c" ? &pelmora_dds::c_side() : pelmora_dds::cpp_side();
  if (side == nullptr) {
    std::fprintf(stderr, "walker_peer: built without the C++ side\n");
    return 3;
  }
  std::string error;
  const auto codec = pelmora_cdr_walker::make_codec_from_dispatcher(side->dispatcher(), a.side == "c", &error);
  if (codec == nullptr) {
    std::fprintf(stderr, "walker_peer: %s\n", error.c_str());
    return 3;
  }
  Settings settings;
  settings.domain = a.domain;
  settings.dds_topic = a.topic;
  settings.multicast = a.multicast;
  settings.interfaces = a.interfaces;
  settings.peers = a.peer_addresses;
  const bool writer = a.command == "pub";
  auto endpoint = Endpoint::create(writer ? Role::writer : Role::reader, *codec, settings, &error);
  if (endpoint == nullptr) {
    std::fprintf(stderr, "walker_peer: %s\n", error.c_str());
    return 3;
  }
  return writer ? publish(a, *side, *endpoint, *codec, deadline) : echo(a, *side, *endpoint, deadline);
}
