// ROS 2 topic names as users write them, and the DDS topic names a ROS 2
// middleware gives them.
#ifndef PELMORA_DDS__ROS_NAMES_HPP_
#define PELMORA_DDS__ROS_NAMES_HPP_

#include <string>

namespace pelmora_dds
{

/// Longest fully qualified topic name: ROS keeps 8 of DDS's 255 characters
/// for its prefixes.
constexpr size_t kMaxTopicNameLength = 247;

/// Checks a topic name as a ROS user writes it and, when valid, stores its
/// fully qualified form in `fully_qualified`: a relative name ("features",
/// "ns/features") is taken in the root namespace. Private ("~/x") and
/// substituted ("{node}/x") names need a node, which this tool is not, so
/// they are refused. Returns an empty string when valid, else why not.
std::string qualify_topic_name(const std::string & name, std::string * fully_qualified);

/// DDS topic of a fully qualified ROS topic: "rt" + name ("/ns/features"
/// becomes "rt/ns/features").
std::string dds_topic_name(const std::string & fully_qualified);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__ROS_NAMES_HPP_
