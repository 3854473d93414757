// pelmora-dds echo: receives samples and prints them as YAML, or checks
// them against a seed and prints a summary.
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "tool.hpp"

namespace pelmora_dds
{

namespace
{

// Items of a sequence printed before the cut (unless --full).
constexpr size_t kShownItems = 8;

struct Tally
{
  int64_t received = 0;
  int64_t wrong = 0;
  int64_t out_of_order = 0;
  uint64_t bytes = 0;
  Clock::time_point first{};
  Clock::time_point last{};
};

void print_summary(const ToolOptions & o, const Side & side, const Tally & t, bool ok)
{
  std::printf("echo side=%s topic=%s domain=%u received=%" PRId64, side.name,
    o.endpoint.topic.c_str(), o.endpoint.domain, t.received);
  if (o.count >= 0) {
    std::printf("/%" PRId64, o.count);
  }
  if (o.verify) {
    std::printf(" verified=%" PRId64 " wrong=%" PRId64 " out_of_order=%" PRId64,
      t.received - t.wrong, t.wrong, t.out_of_order);
  }
  // The rate counts the gaps between arrivals, so the first sample starts
  // the clock and is not counted.
  const double elapsed = std::chrono::duration<double>(t.last - t.first).count();
  const int64_t gaps = t.received > 1 ? t.received - 1 : 0;
  const uint64_t gap_bytes = t.received > 1 ? t.bytes - t.bytes / t.received : 0;
  std::printf(" elapsed=%.3fs rate=%.1fmsg/s throughput=%.1fMB/s result=%s\n", elapsed,
    elapsed > 0 ? gaps / elapsed : 0.0, elapsed > 0 ? gap_bytes / elapsed / 1e6 : 0.0,
    ok ? "ok" : "FAILED");
  std::fflush(stdout);
}

}  // namespace

int run_echo(const ToolOptions & o, const Side & side)
{
  const auto deadline = Clock::now() +
    std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.timeout));
  std::string error;
  const std::unique_ptr<Endpoint> reader = Endpoint::create(
    Endpoint::Role::reader, side.dispatcher(), o.endpoint, &error, {side.create, side.destroy});
  if (!reader) {
    std::fprintf(stderr, "echo: %s\n", error.c_str());
    return kSetup;
  }
  std::fprintf(stderr, "echo: waiting for samples on %s ...\n", describe(o.endpoint).c_str());
  const bool summary_only = o.verify || o.quiet;
  Message message(side);
  Progress progress("echo", o.count);
  Tally t;
  Status status = Status::ok;
  while ((o.count < 0 || t.received < o.count) && !g_stop) {
    status = reader->take(message.ptr, std::min(left_until(deadline), std::chrono::milliseconds(200)));
    report_events("echo", "writer", *reader);
    if (status == Status::timeout && Clock::now() < deadline) {
      continue;
    }
    if (status != Status::ok) {
      break;
    }
    t.last = Clock::now();
    if (t.received == 0) {
      t.first = t.last;
    }
    const FeaturesView view = side.view(message.ptr);
    t.bytes += reader->payload_size(message.ptr);
    if (o.verify) {
      // Reliable delivery keeps the writer's order: sample i is the i-th.
      if (view.descriptorsize != static_cast<uint32_t>(t.received)) {
        ++t.out_of_order;
      }
      const std::string wrong = verify(view, o.seed);
      if (!wrong.empty()) {
        if (t.wrong < 5) {
          std::fprintf(stderr, "echo: sample %" PRId64 ": %s\n", t.received, wrong.c_str());
        }
        ++t.wrong;
      }
    } else if (!o.quiet) {
      // One YAML document per sample, "---" between them.
      std::fputs(t.received > 0 ? "---\n" : "", stdout);
      std::fputs(features_yaml(view, o.full ? 0 : kShownItems).c_str(), stdout);
      std::fflush(stdout);
    }
    ++t.received;
    if (summary_only) {
      progress.tick(t.received);
    }
  }
  const bool complete = o.count < 0 ? t.received > 0 : t.received == o.count;
  const bool ok = complete && t.wrong == 0 && t.out_of_order == 0 && status != Status::error;
  if (summary_only) {
    print_summary(o, side, t, ok);
  }
  if (status == Status::error) {
    std::fprintf(stderr, "echo: %s\n", reader->last_error().c_str());
    return kSetup;
  }
  if (g_stop && !complete) {
    return kInterrupted;
  }
  if (!complete) {
    if (o.count < 0) {
      std::fprintf(stderr, "echo: no sample arrived in %.0f s\n", o.timeout);
    } else {
      std::fprintf(stderr, "echo: %" PRId64 " of %" PRId64 " samples arrived in %.0f s\n",
        t.received, o.count, o.timeout);
    }
    return kTimeout;
  }
  return ok ? kOk : kWrong;
}

}  // namespace pelmora_dds
