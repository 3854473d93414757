#include "run.hpp"

#include <algorithm>
#include <csignal>
#include <cinttypes>
#include <cstdio>

#include "security/settings.hpp"

namespace pelmora_dds
{

std::atomic<bool> g_stop{false};

namespace
{

extern "C" void on_stop_signal(int)
{
  g_stop = true;
}

const char * event_text(PeerEvent::Kind kind)
{
  switch (kind) {
    case PeerEvent::Kind::matched: return "matched";
    case PeerEvent::Kind::lost: return "lost";
    case PeerEvent::Kind::not_alive: return "lost the liveliness of";
    case PeerEvent::Kind::alive: return "alive:";
    case PeerEvent::Kind::incompatible: break;
  }
  return "incompatible";
}

}  // namespace

void install_stop_handlers()
{
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

Clock::time_point deadline_after(double seconds)
{
  return Clock::now() +
         std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

std::chrono::milliseconds left_until(Clock::time_point deadline)
{
  const auto now = Clock::now();
  return now >= deadline ? std::chrono::milliseconds(0) :
         std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
}

void add_timeout_option(CLI::App & app, double & timeout)
{
  app.add_option("--timeout", timeout, "give up after SEC seconds")
    ->check(CLI::Range(0.001, 86400.0))->capture_default_str()->type_name("SEC");
}

int resolve_security(const char * label, EndpointOptions & options)
{
  const security::Resolution secured = security::resolve(
    security::SecurityEnvironment::from_process(), &options.security);
  if (!secured.message.empty()) {
    std::fprintf(stderr, "%s: %s\n", label, secured.message.c_str());
  }
  return secured.refused ? kRefused : kOk;
}

void report_events(const char * label, const char * peer_role, Endpoint & endpoint)
{
  for (const PeerEvent & event : endpoint.take_events()) {
    if (event.kind == PeerEvent::Kind::incompatible) {
      std::fprintf(stderr, "%s: a %s was refused: its %s QoS is incompatible with ours\n",
        label, peer_role, event.detail.c_str());
    } else {
      std::fprintf(stderr, "%s: %s %s %s\n", label, event_text(event.kind), peer_role,
        event.detail.c_str());
    }
  }
}

Status wait_for_peers(
  const char * label, const char * peer_role, Endpoint & endpoint, const EndpointOptions & options,
  uint32_t count, Clock::time_point deadline)
{
  std::fprintf(stderr, "%s: waiting for %u %s%s on %s ...\n", label, count, peer_role,
    count == 1 ? "" : "s", describe(options).c_str());
  auto next_note = Clock::now() + std::chrono::seconds(5);
  for (;; ) {
    const Status status = endpoint.wait_for_peers(
      count, std::min(left_until(deadline), std::chrono::milliseconds(200)));
    report_events(label, peer_role, endpoint);
    if (status == Status::ok) {
      return status;
    }
    if (g_stop) {
      return Status::error;
    }
    if (Clock::now() >= deadline) {
      return Status::timeout;
    }
    if (Clock::now() >= next_note) {
      next_note += std::chrono::seconds(5);
      std::fprintf(stderr, "%s: still waiting: %u of %u %ss matched, %lld s left\n", label,
        endpoint.matched_count(), count, peer_role,
        static_cast<long long>(left_until(deadline).count() / 1000));
    }
  }
}

void Progress::tick(int64_t done)
{
  if (Clock::now() < next_) {
    return;
  }
  next_ = Clock::now() + std::chrono::seconds(1);
  if (total_ > 0) {
    std::fprintf(stderr, "%s: %" PRId64 "/%" PRId64 " samples\n", label_, done, total_);
  } else {
    std::fprintf(stderr, "%s: %" PRId64 " samples\n", label_, done);
  }
}

}  // namespace pelmora_dds
