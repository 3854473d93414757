// The command line the Cyclone DDS test peers (features_witness,
// hostile_writer) share: what a run sends and how long it may take.
#ifndef PELMORA_TESTS_CYCLONEDDS_RUN_OPTIONS_HPP_
#define PELMORA_TESTS_CYCLONEDDS_RUN_OPTIONS_HPP_

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <CLI/CLI.hpp>

namespace pelmora_cyclonedds_peer
{

using Clock = std::chrono::steady_clock;

// Exit status of a command line that does not parse.
constexpr int kUsage = 64;

struct RunOptions
{
  uint32_t count = 1;
  std::vector<uint32_t> sizes{0};
  uint32_t seed = 1;
  uint32_t peers = 1;
  double timeout = 30;

  Clock::time_point deadline() const
  {
    return Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(timeout * 1000));
  }
};

inline void add_run_options(CLI::App & app, RunOptions & o)
{
  app.add_option("--count", o.count, "samples");
  app.add_option("--size", o.sizes, "keypoints per sample, cycled")->delimiter(',');
  app.add_option("--seed", o.seed, "content seed");
  app.add_option("--peers", o.peers, "readers to wait for");
  app.add_option("--timeout", o.timeout, "seconds for the whole run");
}

// Parses argv into `app`'s options. Returns -1 when the run may go on, else
// the exit status: 0 after --help, kUsage after a message on stderr.
inline int parse(CLI::App & app, int argc, char ** argv)
{
  try {
    app.parse(argc, argv);
    return -1;
  } catch (const CLI::ParseError & e) {
    if (e.get_exit_code() == 0) {
      return app.exit(e);
    }
    std::fprintf(stderr, "%s: %s\n", app.get_name().c_str(), e.what());
    return kUsage;
  }
}

inline std::chrono::milliseconds left_until(Clock::time_point deadline)
{
  return std::max(std::chrono::milliseconds(0),
           std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

}  // namespace pelmora_cyclonedds_peer

#endif  // PELMORA_TESTS_CYCLONEDDS_RUN_OPTIONS_HPP_
