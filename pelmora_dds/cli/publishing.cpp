#include "publishing.hpp"

#include <cinttypes>
#include <cstdio>
#include <string>

namespace pelmora_dds
{

void add_peers_option(CLI::App & app, uint32_t & peers)
{
  app.add_option("--peers", peers, "readers to wait for before publishing")
    ->check(CLI::Range(1u, 64u))->capture_default_str();
}

Publisher::Publisher(const char * label, double timeout)
: label_(label), timeout_(timeout), deadline_(deadline_after(timeout))
{
}

int Publisher::start(
  const rosidl_message_type_support_t * type_support, const EndpointOptions & options,
  uint32_t peers, MessageFactory factory)
{
  std::string error;
  writer_ = Endpoint::create(Endpoint::Role::writer, type_support, options, &error, factory);
  if (!writer_) {
    std::fprintf(stderr, "%s: %s\n", label_, error.c_str());
    return kSetup;
  }
  if (wait_for_peers(label_, "reader", *writer_, options, peers, deadline_) == Status::ok) {
    return kOk;
  }
  if (g_stop) {
    return kInterrupted;
  }
  std::fprintf(stderr, "%s: no reader matched in %.0f s: %s\n", label_, timeout_,
    writer_->last_error().c_str());
  return kTimeout;
}

int Publisher::write(const void * message, int64_t index)
{
  const Status status = writer_->write(message, left_until(deadline_));
  if (status != Status::ok) {
    std::fprintf(stderr, "%s: sample %" PRId64 ": %s\n", label_, index,
      writer_->last_error().c_str());
    return status == Status::timeout ? kTimeout : kSetup;
  }
  report_events(label_, "reader", *writer_);
  return kOk;
}

int Publisher::finish()
{
  const Status acknowledged = writer_->wait_acknowledged(left_until(deadline_));
  report_events(label_, "reader", *writer_);
  return acknowledged == Status::ok ? kOk : kTimeout;
}

}  // namespace pelmora_dds
