// The YAML that pelmora-dds echo prints of a sample.
#ifndef PELMORA_DDS__YAML_HPP_
#define PELMORA_DDS__YAML_HPP_

#include <cstddef>
#include <string>

#include "features_content.hpp"

namespace pelmora_dds
{

/// The sample as YAML through the C++ message's to_yaml: a block-style
/// document, sequences longer than `shown` cut with a comment saying so
/// (shown 0: whole sequences).
std::string features_yaml(const FeaturesView & view, size_t shown);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__YAML_HPP_
