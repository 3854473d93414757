#include "convention.hpp"

#include <utility>

namespace pelmora_cv
{

void check_message(const pelmora::msg::Features & message)
{
  const size_t count = message.keypointnumber;
  const std::pair<const char *, size_t> per_keypoint[] = {
    {"uniqueid", message.uniqueid.size()}, {"isrightimage", message.isrightimage.size()},
    {"patternzise", message.patternzise.size()}, {"confidence", message.confidence.size()},
    {"x", message.x.size()}, {"y", message.y.size()}, {"angle", message.angle.size()}};
  for (const auto & [field, items] : per_keypoint) {
    if (items != count) {
      refuse(field, items, " items for keypointnumber ", count);
    }
  }
  const size_t words = count * words_per_descriptor(message.descriptorsize);
  if (message.descriptor.size() != words) {
    refuse("descriptor", message.descriptor.size(), " words where keypointnumber ", count,
      " × ceil(descriptorsize ", message.descriptorsize, " / 4) gives ", words);
  }
}

}  // namespace pelmora_cv
