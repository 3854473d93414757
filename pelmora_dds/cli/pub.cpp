// pelmora-dds pub: publishes seeded samples once enough readers matched.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <thread>

#include "publishing.hpp"
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
  const int64_t count = o.count < 0 ? 10 : o.count;
  const uint32_t most_keypoints = *std::max_element(o.keypoints.begin(), o.keypoints.end());
  const uint64_t payload = kEncapsulationBytes + encoded_size(most_keypoints);
  EndpointOptions options = o.endpoint;
  options.largest_sample = static_cast<uint32_t>(std::min<uint64_t>(payload, UINT32_MAX));
  Publisher publisher("pub", o.timeout);
  const int started = publisher.start(side.dispatcher(), options, o.peers, {side.create, side.destroy});
  if (started != kOk) {
    return started;
  }
  Endpoint & writer = publisher.writer();

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
    const bool filled = side.fill(message.ptr, o.seed, static_cast<uint32_t>(i), keypoints);
    const Relayed sample(side, message.ptr);
    if (!filled || sample.get() == nullptr) {
      std::fprintf(stderr, "pub: cannot build sample %" PRId64 "\n", i);
      return kSetup;
    }
    const uint64_t blocked_before = writer.blocked_writes();
    const auto start = Clock::now();
    const int written = publisher.write(sample.get(), i);
    const Clock::duration took = Clock::now() - start;
    busy += took;
    longest_write = std::max(longest_write, took);
    if (blocked_before == 0 && writer.blocked_writes() != 0) {
      std::fprintf(stderr, "pub: sample %" PRId64 " found the keep_all history full; each write "
        "now waits up to %u ms for readers to acknowledge\n", i, options.qos.max_blocking_ms);
    }
    if (written != kOk) {
      return written;
    }
    bytes += writer.payload_size(sample.get());
    progress.tick(i + 1);
  }
  if (g_stop) {
    return kInterrupted;
  }
  const auto start = Clock::now();
  const int acknowledged = publisher.finish();
  busy += Clock::now() - start;
  const double elapsed = seconds(busy);
  std::printf("pub side=%s topic=%s domain=%u samples=%" PRId64 " largest=%" PRIu64 "B"
    " blocked=%" PRIu64 " longest_write=%.3fs elapsed=%.3fs rate=%.1fmsg/s throughput=%.1fMB/s"
    " result=%s\n",
    side.name, options.topic.c_str(), options.domain, count, payload, writer.blocked_writes(),
    seconds(longest_write), elapsed,
    elapsed > 0 ? count / elapsed : 0.0, elapsed > 0 ? bytes / elapsed / 1e6 : 0.0,
    acknowledged == kOk ? "ok" : "UNACKNOWLEDGED");
  std::fflush(stdout);
  return acknowledged;
}

}  // namespace pelmora_dds
