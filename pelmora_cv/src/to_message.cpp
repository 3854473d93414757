// Keypoints and descriptors into a message: to_message and append.
#include <cstring>
#include <limits>

#include "convention.hpp"
#include "pelmora_cv/keypoints.hpp"

namespace pelmora_cv
{

namespace
{

// B, the bytes of one descriptor row, after checking that `descriptors`
// has one row per keypoint in one run of memory; 0 for an empty Mat.
uint32_t descriptor_bytes(const cv::Mat & descriptors, size_t keypoints)
{
  if (descriptors.empty()) {
    return 0;
  }
  if (descriptors.channels() != 1) {
    refuse("descriptors", descriptors.channels(), " channels; a descriptor Mat has one channel "
      "and one column per element");
  }
  if (!descriptors.isContinuous()) {
    refuse("descriptors", "not continuous (a view with gaps between its rows); clone() it");
  }
  if (descriptors.dims != 2 || static_cast<size_t>(descriptors.rows) != keypoints) {
    refuse("descriptors", descriptors.rows, " rows for ", keypoints, " keypoints");
  }
  return static_cast<uint32_t>(descriptors.cols * descriptors.elemSize());
}

// Rows of B bytes into `words`, zeroed, W = ceil(B / 4) words per row. The
// padding of the last word of each row stays as it is: zero.
void pack(const cv::Mat & descriptors, size_t bytes, uint32_t * words)
{
  const size_t rows = static_cast<size_t>(descriptors.rows);
  if (bytes % kWordBytes == 0) {
    std::memcpy(words, descriptors.data, rows * bytes);
    return;
  }
  const size_t stride = words_per_descriptor(bytes);
  for (size_t i = 0; i < rows; ++i) {
    std::memcpy(words + i * stride, descriptors.ptr(static_cast<int>(i)), bytes);
  }
}

}  // namespace

void append(
  pelmora::msg::Features & message, const std::vector<cv::KeyPoint> & keypoints,
  const cv::Mat & descriptors, bool right_image)
{
  check_message(message);
  const uint32_t bytes = descriptor_bytes(descriptors, keypoints.size());
  if (keypoints.empty()) {
    return;
  }
  const size_t first = message.keypointnumber;
  if (first != 0 && bytes != message.descriptorsize) {
    refuse("descriptorsize", "the message's descriptors have ", message.descriptorsize,
      " bytes, the appended ones ", bytes);
  }
  if (keypoints.size() > std::numeric_limits<uint32_t>::max() - first) {
    refuse("keypointnumber", first, " + ", keypoints.size(), " keypoints exceed 4294967295");
  }
  const size_t total = first + keypoints.size();
  message.uniqueid.resize(total);
  message.isrightimage.resize(total, right_image ? 1 : 0);
  message.patternzise.resize(total);
  message.confidence.resize(total);
  message.x.resize(total);
  message.y.resize(total);
  message.angle.resize(total);
  // Raw pointers to the new items, so that the loop does not reload each
  // vector's storage after every store.
  uint32_t * uniqueid = message.uniqueid.data() + first;
  uint32_t * size = message.patternzise.data() + first;
  uint32_t * millionths = message.confidence.data() + first;
  float * x = message.x.data() + first;
  float * y = message.y.data() + first;
  float * angle = message.angle.data() + first;
  for (size_t i = 0; i < keypoints.size(); ++i) {
    const cv::KeyPoint & keypoint = keypoints[i];
    uniqueid[i] = static_cast<uint32_t>(keypoint.class_id);
    size[i] = pattern_size(keypoint.size);
    millionths[i] = confidence(keypoint.response);
    x[i] = keypoint.pt.x;
    y[i] = keypoint.pt.y;
    angle[i] = keypoint.angle;
  }
  const size_t stride = words_per_descriptor(bytes);
  message.descriptor.resize(total * stride);
  if (bytes != 0) {
    pack(descriptors, bytes, message.descriptor.data() + first * stride);
  }
  message.descriptorsize = bytes;
  message.keypointnumber = static_cast<uint32_t>(total);
}

pelmora::msg::Features to_message(
  const std::vector<cv::KeyPoint> & keypoints, const cv::Mat & descriptors, bool right_image)
{
  pelmora::msg::Features message;
  append(message, keypoints, descriptors, right_image);
  return message;
}

}  // namespace pelmora_cv
