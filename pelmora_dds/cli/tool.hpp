// What pub and echo share: the parsed command line and their entry points,
// and the tool's entry.
#ifndef PELMORA_DDS__TOOL__TOOL_HPP_
#define PELMORA_DDS__TOOL__TOOL_HPP_

#include <cstdint>
#include <string>
#include <vector>

#include "pelmora_dds/options.hpp"
#include "run.hpp"
#include "sides.hpp"

namespace pelmora_dds
{

struct ToolOptions
{
  std::string side = "c";
  double timeout = 60.0;
  int64_t count = -1;  ///< pub: default 10; echo: default until the timeout
  EndpointOptions endpoint;
  // pub
  /// Sample i has keypoints[i % size]; one by default, so that every sample
  /// carries its index.
  std::vector<uint32_t> keypoints{1};
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

int run_pub(const ToolOptions & options, const Side & side);
int run_echo(const ToolOptions & options, const Side & side);

/// A side in another language, whose samples pass through `function` (see
/// pelmora_dds_main); none when `function` is null.
struct Relay
{
  const char * side = nullptr;
  int (*function)(const void * message, void * copy, void * context) = nullptr;
  void * context = nullptr;
};

/// pelmora-dds with `argc` arguments (argv[0] names the program in its
/// messages); returns the exit code.
int tool_main(int argc, const char * const * argv, const Relay & relay);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__TOOL__TOOL_HPP_
