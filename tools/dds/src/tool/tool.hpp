// What pub and echo share: the parsed command line, exit codes, progress on
// standard error, and the stop request of SIGINT/SIGTERM.
#ifndef PELMORA_DDS__TOOL__TOOL_HPP_
#define PELMORA_DDS__TOOL__TOOL_HPP_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "pelmora_dds/endpoint.hpp"
#include "pelmora_dds/options.hpp"
#include "sides.hpp"

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

struct ToolOptions
{
  std::string side = "c";
  double timeout = 60.0;
  int64_t count = -1;  ///< pub: default 10; echo: default until the timeout
  EndpointOptions endpoint;
  // pub
  std::vector<uint32_t> keypoints{0};  ///< sample i has keypoints[i % size]
  uint32_t seed = 1;
  uint32_t peers = 1;
  uint32_t interval_ms = 0;  ///< pause between samples
  // echo
  bool verify = false;
  bool quiet = false;
  bool full = false;
  bool allow_loss = false;
  uint32_t take_delay_ms = 0;  ///< sleep after each take: a slow reader
};

using Clock = std::chrono::steady_clock;

/// Set by SIGINT and SIGTERM; loops end at their next check.
extern std::atomic<bool> g_stop;
void install_stop_handlers();

std::chrono::milliseconds left_until(Clock::time_point deadline);

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

int run_pub(const ToolOptions & options, const Side & side);
int run_echo(const ToolOptions & options, const Side & side);

/// The sample as YAML through the C++ message's to_yaml: a block-style
/// document, sequences longer than `shown` cut with a comment saying so
/// (shown 0: whole sequences).
std::string features_yaml(const FeaturesView & view, size_t shown);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__TOOL__TOOL_HPP_
