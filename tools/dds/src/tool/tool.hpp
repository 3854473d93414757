// What pub and echo share: the parsed command line, their entry points and
// the YAML of a sample.
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

int run_pub(const ToolOptions & options, const Side & side);
int run_echo(const ToolOptions & options, const Side & side);

/// The sample as YAML through the C++ message's to_yaml: a block-style
/// document, sequences longer than `shown` cut with a comment saying so
/// (shown 0: whole sequences).
std::string features_yaml(const FeaturesView & view, size_t shown);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__TOOL__TOOL_HPP_
