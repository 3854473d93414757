#include "convention.hpp"

#include <utility>

namespace pelmora_cv
{

void check_shape(uint32_t keypointnumber, uint32_t descriptorsize, const SequenceLengths & lengths)
{
  const size_t count = keypointnumber;
  const std::pair<const char *, size_t> per_keypoint[] = {
    {"uniqueid", lengths.uniqueid}, {"isrightimage", lengths.isrightimage},
    {"patternzise", lengths.patternzise}, {"confidence", lengths.confidence},
    {"x", lengths.x}, {"y", lengths.y}, {"angle", lengths.angle}};
  for (const auto & [field, items] : per_keypoint) {
    if (items != count) {
      refuse(field, items, " items for keypointnumber ", count);
    }
  }
  const size_t words = count * words_per_descriptor(descriptorsize);
  if (lengths.descriptor != words) {
    refuse("descriptor", lengths.descriptor, " words where keypointnumber ", count,
      " × ceil(descriptorsize ", descriptorsize, " / 4) gives ", words);
  }
}

void check_message(const pelmora::msg::Features & message)
{
  check_shape(message.keypointnumber, message.descriptorsize, {message.descriptor.size(),
    message.uniqueid.size(), message.isrightimage.size(), message.patternzise.size(),
    message.confidence.size(), message.x.size(), message.y.size(), message.angle.size()});
}

}  // namespace pelmora_cv
