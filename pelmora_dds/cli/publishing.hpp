// Publishing as pelmora-dds pub does, for every program that publishes
// Features: a writer that waits for --peers readers, writes, and ends once
// every reader acknowledged every sample, with pub's messages and exit
// codes.
#ifndef PELMORA_DDS__TOOL__PUBLISHING_HPP_
#define PELMORA_DDS__TOOL__PUBLISHING_HPP_

#include <cstdint>
#include <memory>

#include <CLI/CLI.hpp>

#include "pelmora_dds/endpoint.hpp"
#include "pelmora_dds/options.hpp"
#include "pelmora_dds/type_support.hpp"
#include "run.hpp"

namespace pelmora_dds
{

/// Adds --peers N, the readers to wait for (default: what `peers` holds).
void add_peers_option(CLI::App & app, uint32_t & peers);

/// One writer's life, every step reported on stderr under `label`.
class Publisher
{
public:
  /// Every step gives up `timeout` seconds after this.
  Publisher(const char * label, double timeout);

  /// Makes the writer of `options` over `type_support` and waits until
  /// `peers` readers matched. Returns kOk, or after saying why: kSetup
  /// (the writer could not be made), kTimeout or kInterrupted.
  int start(
    const rosidl_message_type_support_t * type_support, const EndpointOptions & options,
    uint32_t peers, MessageFactory factory = {});

  /// Publishes `message`, sample `index`, and reports the readers' events.
  /// Returns kOk, or kTimeout or kSetup after saying why.
  int write(const void * message, int64_t index);

  /// Waits until every matched reader acknowledged every sample. Returns
  /// kOk or kTimeout.
  int finish();

  /// The writer start made.
  Endpoint & writer() {return *writer_;}

private:
  const char * label_;
  double timeout_;
  Clock::time_point deadline_;
  std::unique_ptr<Endpoint> writer_;
};

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__TOOL__PUBLISHING_HPP_
