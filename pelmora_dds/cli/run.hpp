// What every program on the endpoint shares while it runs (pelmora-dds pub
// and echo, pelmora-stereo-extract): exit codes, the stop request of
// SIGINT/SIGTERM, deadlines, progress and peer events on standard error,
// the --timeout option and DDS Security resolved as a ROS 2 node does.
#ifndef PELMORA_DDS__TOOL__RUN_HPP_
#define PELMORA_DDS__TOOL__RUN_HPP_

#include <atomic>
#include <chrono>
#include <cstdint>

#include <CLI/CLI.hpp>

#include "pelmora_dds/endpoint.hpp"
#include "pelmora_dds/options.hpp"

namespace pelmora_dds
{

/// Exit codes, listed in --help and the README.
enum Exit
{
  kOk = 0,       ///< every sample went (pub) or arrived and was right (echo)
  kWrong = 1,    ///< echo: a sample was wrong, late or repeated, or (without
                 ///< --allow-loss) a sample was dropped as malformed or missed
  kTimeout = 2,  ///< no peer matched, or fewer samples than --count in time
  kSetup = 3,    ///< the DDS entities could not be made
  kRefused = 4,  ///< security is enforced but the enclave's files are missing
  kUsage = 64,   ///< a wrong argument or environment variable
  kInterrupted = 130,  ///< stopped by SIGINT or SIGTERM before done
};

using Clock = std::chrono::steady_clock;

/// Set by SIGINT and SIGTERM; loops end at their next check.
extern std::atomic<bool> g_stop;
void install_stop_handlers();

/// `seconds` from now.
Clock::time_point deadline_after(double seconds);
std::chrono::milliseconds left_until(Clock::time_point deadline);

/// Adds --timeout SEC (default: what `timeout` holds).
void add_timeout_option(CLI::App & app, double & timeout);

/// Decides from --enclave and the ROS_SECURITY_* variables whether the
/// endpoint runs secured, and says so on stderr under `label` when it
/// matters. Returns kOk, or kRefused when security is enforced but the
/// enclave's files are missing.
int resolve_security(const char * label, EndpointOptions & options);

/// Prints the endpoint's new events ("pub: matched reader …") to stderr.
void report_events(const char * label, const char * peer_role, Endpoint & endpoint);

/// Waits for `count` peers, telling stderr what it waits for and, every few
/// seconds, that it still does. Returns ok, timeout, or error when stopped.
Status wait_for_peers(
  const char * label, const char * peer_role, Endpoint & endpoint, const EndpointOptions & options,
  uint32_t count, Clock::time_point deadline);

/// "label: 12/20 samples" on stderr at most once a second.
class Progress
{
public:
  Progress(const char * label, int64_t total)
  : label_(label), total_(total) {}
  void tick(int64_t done);

private:
  const char * label_;
  int64_t total_;
  Clock::time_point next_ = Clock::now() + std::chrono::seconds(1);
};

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__TOOL__RUN_HPP_
