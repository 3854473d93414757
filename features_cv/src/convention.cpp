#include "convention.hpp"

#include <cmath>
#include <limits>
#include <utility>

namespace pelmora
{
namespace features_cv
{

namespace
{

// nearbyint rounds ties to even in the default rounding mode, as OpenCV's
// cvRound and NumPy's rint do, so every language gets the same integer.
uint32_t rounded_and_clamped(double value)
{
  const double rounded = std::nearbyint(value);
  if (!(rounded > 0.0)) {
    return 0;
  }
  constexpr double kLargest = std::numeric_limits<uint32_t>::max();
  return rounded >= kLargest ? std::numeric_limits<uint32_t>::max() :
         static_cast<uint32_t>(rounded);
}

}  // namespace

uint32_t pattern_size(float size)
{
  return rounded_and_clamped(size);
}

// In double: float32 cannot hold every millionth of a response near 1, and
// the product must round once, on the way to the integer.
uint32_t confidence(float response)
{
  return rounded_and_clamped(static_cast<double>(response) * 1e6);
}

int class_id(uint32_t uniqueid)
{
  constexpr int64_t kWrap = int64_t{1} << 32;
  return uniqueid <= static_cast<uint32_t>(std::numeric_limits<int>::max()) ?
         static_cast<int>(uniqueid) : static_cast<int>(int64_t{uniqueid} - kWrap);
}

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

}  // namespace features_cv
}  // namespace pelmora
