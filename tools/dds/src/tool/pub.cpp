// pelmora-dds pub: publishes seeded samples once enough readers matched.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <thread>

#include "tool.hpp"

namespace pelmora_dds
{

namespace
{

double seconds(Clock::duration d)
{
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int run_pub(const ToolOptions & o, const Side & side)
{
  const auto deadline = Clock::now() +
    std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.timeout));
  const int64_t count = o.count < 0 ? 10 : o.count;
  const uint32_t most_keypoints = *std::max_element(o.keypoints.begin(), o.keypoints.end());
  const uint64_t payload = kEncapsulationBytes + encoded_size(most_keypoints);
  EndpointOptions options = o.endpoint;
  options.largest_sample = static_cast<uint32_t>(std::min<uint64_t>(payload, UINT32_MAX));
  std::string error;
  const std::unique_ptr<Endpoint> writer = Endpoint::create(
    Endpoint::Role::writer, side.dispatcher(), options, &error, {side.create, side.destroy});
  if (!writer) {
    std::fprintf(stderr, "pub: %s\n", error.c_str());
    return kSetup;
  }
  const Status matched = wait_for_peers("pub", "reader", *writer, options, o.peers, deadline);
  if (matched != Status::ok) {
    if (g_stop) {
      return kInterrupted;
    }
    std::fprintf(stderr, "pub: no reader matched in %.0f s: %s\n", o.timeout,
      writer->last_error().c_str());
    return kTimeout;
  }

  Message message(side);
  Progress progress("pub", count);
  Clock::duration busy{};
  Clock::duration longest_write{};
  uint64_t bytes = 0;
  for (int64_t i = 0; i < count && !g_stop; ++i) {
    if (i > 0 && o.interval_ms != 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(o.interval_ms));
    }
    const uint32_t keypoints = o.keypoints[static_cast<size_t>(i) % o.keypoints.size()];
    if (!side.fill(message.ptr, o.seed, static_cast<uint32_t>(i), keypoints)) {
      std::fprintf(stderr, "pub: cannot build sample %" PRId64 "\n", i);
      return kSetup;
    }
    const uint64_t blocked_before = writer->blocked_writes();
    const auto start = Clock::now();
    const Status status = writer->write(message.ptr, left_until(deadline));
    const Clock::duration took = Clock::now() - start;
    busy += took;
    longest_write = std::max(longest_write, took);
    if (blocked_before == 0 && writer->blocked_writes() != 0) {
      std::fprintf(stderr, "pub: sample %" PRId64 " found the keep_all history full; each write "
        "now waits up to %u ms for readers to acknowledge\n", i, options.qos.max_blocking_ms);
    }
    if (status != Status::ok) {
      std::fprintf(stderr, "pub: sample %" PRId64 ": %s\n", i, writer->last_error().c_str());
      return status == Status::timeout ? kTimeout : kSetup;
    }
    bytes += writer->payload_size(message.ptr);
    progress.tick(i + 1);
    report_events("pub", "reader", *writer);
  }
  if (g_stop) {
    return kInterrupted;
  }
  const auto start = Clock::now();
  const Status acked = writer->wait_acknowledged(left_until(deadline));
  busy += Clock::now() - start;
  report_events("pub", "reader", *writer);
  const double elapsed = seconds(busy);
  std::printf("pub side=%s topic=%s domain=%u samples=%" PRId64 " largest=%" PRIu64 "B"
    " blocked=%" PRIu64 " longest_write=%.3fs elapsed=%.3fs rate=%.1fmsg/s throughput=%.1fMB/s"
    " result=%s\n",
    side.name, options.topic.c_str(), options.domain, count, payload, writer->blocked_writes(),
    seconds(longest_write), elapsed,
    elapsed > 0 ? count / elapsed : 0.0, elapsed > 0 ? bytes / elapsed / 1e6 : 0.0,
    acked == Status::ok ? "ok" : "UNACKNOWLEDGED");
  std::fflush(stdout);
  return acked == Status::ok ? kOk : kTimeout;
}

}  // namespace pelmora_dds
