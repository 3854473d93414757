// pelmora-dds echo: receives samples and prints them as YAML, or checks
// them against a seed, and accounts for what it could not print: payloads
// dropped as malformed, samples missed, late or repeated.
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <thread>

#include "payload_check.hpp"
#include "stream_stats.hpp"
#include "tool.hpp"
#include "yaml.hpp"

namespace pelmora_dds
{

namespace
{

// Items of a sequence printed before the cut (unless --full).
constexpr size_t kShownItems = 8;

struct Tally
{
  StreamCounts counts;
  SequenceCheck sequence;
  uint64_t empty = 0;  // checked samples without keypoints, so without an index
  uint64_t bytes = 0;
  Clock::time_point first{};
  Clock::time_point last{};
};

// One line per refused payload, naming the field when the bytes tell it.
void report_drop(const uint8_t * payload, uint32_t size, const std::string & decoder_said)
{
  const PayloadCheck check = check_payload(payload, size);
  std::fprintf(stderr, "echo: dropped a malformed sample of %u bytes: %s\n", size,
    check.well_formed ? decoder_said.c_str() : check.reason.c_str());
}

// The summary goes to stdout when only a summary is asked for, else to
// stderr, so that printed samples stay a clean YAML stream.
void print_summary(const ToolOptions & o, const Side & side, const Tally & t, bool ok)
{
  FILE * out = o.verify || o.quiet ? stdout : stderr;
  std::fprintf(out, "echo side=%s topic=%s domain=%u", side.name, o.endpoint.topic.c_str(),
    o.endpoint.domain);
  std::fputs(summary_fields(t.counts, o.verify).c_str(), out);
  if (o.count >= 0) {
    std::fprintf(out, " expected=%" PRId64, o.count);
  }
  // The rate counts the gaps between arrivals, so the first sample starts
  // the clock and is not counted.
  const int64_t received = static_cast<int64_t>(t.counts.received);
  const double elapsed = std::chrono::duration<double>(t.last - t.first).count();
  const int64_t gaps = received > 1 ? received - 1 : 0;
  const uint64_t gap_bytes = received > 1 ? t.bytes - t.bytes / received : 0;
  std::fprintf(out, " elapsed=%.3fs rate=%.1fmsg/s throughput=%.1fMB/s result=%s\n", elapsed,
    elapsed > 0 ? gaps / elapsed : 0.0, elapsed > 0 ? gap_bytes / elapsed / 1e6 : 0.0,
    ok ? "ok" : "FAILED");
  std::fflush(out);
}

// Notes the sample's place in the stream when it carries one.
void note_index(const FeaturesView & view, Tally & t)
{
  uint32_t index = 0;
  if (!sample_index(view, &index)) {
    ++t.empty;
    return;
  }
  switch (t.sequence.note(index)) {
    case SequenceCheck::Arrival::late:
      ++t.counts.out_of_order;
      break;
    case SequenceCheck::Arrival::duplicate:
      ++t.counts.duplicates;
      break;
    case SequenceCheck::Arrival::next:
    case SequenceCheck::Arrival::after_gap:
      break;
  }
}

void check_sample(const ToolOptions & o, const FeaturesView & view, Tally & t)
{
  note_index(view, t);
  const std::string wrong = verify(view, o.seed);
  if (wrong.empty()) {
    ++t.counts.verified;
    return;
  }
  if (t.counts.wrong < 5) {
    uint32_t index = 0;
    const std::string which = sample_index(view, &index) ? std::to_string(index) : "without keypoints";
    std::fprintf(stderr, "echo: sample %s: %s\n", which.c_str(), wrong.c_str());
  }
  ++t.counts.wrong;
}

// Done when --count samples arrived or, for checked samples, when the
// writer's last one did: whatever is still missing then will not come.
bool done(const ToolOptions & o, const Tally & t)
{
  if (o.count < 0) {
    return false;
  }
  const uint64_t count = static_cast<uint64_t>(o.count);
  return t.counts.received >= count || (o.verify && t.sequence.end() >= count);
}

}  // namespace

int run_echo(const ToolOptions & o, const Side & side)
{
  const auto deadline = deadline_after(o.timeout);
  std::string error;
  const std::unique_ptr<Endpoint> reader = Endpoint::create(
    Endpoint::Role::reader, side.dispatcher(), o.endpoint, &error, {side.create, side.destroy});
  if (!reader) {
    std::fprintf(stderr, "echo: %s\n", error.c_str());
    return kSetup;
  }
  reader->set_drop_observer(report_drop);
  std::fprintf(stderr, "echo: waiting for samples on %s ...\n", describe(o.endpoint).c_str());
  const bool summary_only = o.verify || o.quiet;
  Message message(side);
  Progress progress("echo", o.count);
  Tally t;
  Status status = Status::ok;
  while (!done(o, t) && !g_stop) {
    status = reader->take(message.ptr, std::min(left_until(deadline), std::chrono::milliseconds(200)));
    report_events("echo", "writer", *reader);
    if (status == Status::timeout && Clock::now() < deadline) {
      continue;
    }
    if (status != Status::ok) {
      break;
    }
    t.last = Clock::now();
    if (t.counts.received == 0) {
      t.first = t.last;
    }
    const Relayed sample(side, message.ptr);
    if (sample.get() == nullptr) {
      std::fprintf(stderr, "echo: the %s side could not take a sample\n", side.name);
      return kSetup;
    }
    const FeaturesView view = side.view(sample.get());
    t.bytes += reader->payload_size(message.ptr);
    if (o.verify) {
      check_sample(o, view, t);
    } else if (!o.quiet) {
      // One YAML document per sample, "---" between them.
      std::fputs(t.counts.received > 0 ? "---\n" : "", stdout);
      std::fputs(features_yaml(view, o.full ? 0 : kShownItems).c_str(), stdout);
      std::fflush(stdout);
    }
    ++t.counts.received;
    if (summary_only) {
      progress.tick(static_cast<int64_t>(t.counts.received));
    }
    if (o.take_delay_ms != 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(o.take_delay_ms));
    }
  }
  report_events("echo", "writer", *reader);
  const ReaderLosses losses = reader->losses();
  t.counts.dropped = losses.dropped;
  const uint64_t expected = o.verify && o.count > 0 ? static_cast<uint64_t>(o.count) : 0;
  // Empty samples stand somewhere in the holes they leave.
  const uint64_t holes = t.sequence.missing(expected);
  t.counts.missed = missed_samples(holes > t.empty ? holes - t.empty : 0, losses.lost);
  const bool complete = o.count < 0 ? t.counts.received > 0 : done(o, t);
  const EchoVerdict verdict =
    echo_verdict(t.counts, complete ? EchoEnd::complete : EchoEnd::timed_out, o.allow_loss);
  print_summary(o, side, t, verdict == EchoVerdict::ok && status != Status::error);
  if (status == Status::error) {
    std::fprintf(stderr, "echo: %s\n", reader->last_error().c_str());
    return kSetup;
  }
  if (g_stop && !complete) {
    return kInterrupted;
  }
  switch (verdict) {
    case EchoVerdict::ok:
      return kOk;
    case EchoVerdict::timed_out:
      if (o.count < 0) {
        std::fprintf(stderr, "echo: no sample arrived in %.0f s\n", o.timeout);
      } else {
        std::fprintf(stderr, "echo: %" PRIu64 " of %" PRId64 " samples arrived in %.0f s\n",
          t.counts.received, o.count, o.timeout);
      }
      return kTimeout;
    case EchoVerdict::lost:
      std::fprintf(stderr, "echo: %" PRIu64 " dropped and %" PRIu64 " missed samples "
        "(--allow-loss accepts them)\n", t.counts.dropped, t.counts.missed);
      return kWrong;
    case EchoVerdict::wrong:
      break;
  }
  return kWrong;
}

}  // namespace pelmora_dds
