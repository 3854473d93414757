// A message back into keypoints and a descriptor Mat: from_message.
#include <cstring>
#include <limits>

#include "convention.hpp"
#include "pelmora_cv/keypoints.hpp"

namespace pelmora_cv
{

namespace
{

constexpr size_t kLargestMatSide = std::numeric_limits<int>::max();

// The bytes of one element of `depth`, after checking that it is a depth of
// one channel and that B holds a whole number of such elements.
size_t element_bytes(int depth, uint32_t descriptor_bytes)
{
  if (depth != CV_MAT_DEPTH(depth)) {
    refuse("descriptor_depth", depth, " is not the depth of one channel "
      "(CV_8U, CV_8S, CV_16U, CV_16S, CV_32S, CV_32F, CV_64F, CV_16F)");
  }
  const size_t bytes = CV_ELEM_SIZE1(depth);
  if (descriptor_bytes % bytes != 0) {
    refuse("descriptorsize", descriptor_bytes, " bytes are not a whole number of ", bytes,
      "-byte elements of descriptor_depth ", depth);
  }
  return bytes;
}

// The N × (B / element) Mat, filled from the words with one copy: in one go
// when the rows leave no padding, else row by row past each row's padding.
cv::Mat unpack(const pelmora::msg::Features & message, int depth, size_t element)
{
  const size_t rows = message.keypointnumber;
  const size_t bytes = message.descriptorsize;
  if (rows > kLargestMatSide || bytes / element > kLargestMatSide) {
    refuse("descriptorsize", rows, " descriptors of ", bytes,
      " bytes do not fit the int sides of a Mat");
  }
  cv::Mat descriptors(static_cast<int>(rows), static_cast<int>(bytes / element), depth);
  const auto * packed = reinterpret_cast<const uint8_t *>(message.descriptor.data());
  if (bytes % kWordBytes == 0) {
    std::memcpy(descriptors.data, packed, rows * bytes);
    return descriptors;
  }
  const size_t stride = words_per_descriptor(bytes) * kWordBytes;
  for (size_t i = 0; i < rows; ++i) {
    std::memcpy(descriptors.ptr(static_cast<int>(i)), packed + i * stride, bytes);
  }
  return descriptors;
}

}  // namespace

Keypoints from_message(const pelmora::msg::Features & message, int descriptor_depth)
{
  check_message(message);
  const size_t element = element_bytes(descriptor_depth, message.descriptorsize);
  const size_t count = message.keypointnumber;
  Keypoints result;
  result.keypoints.resize(count);
  result.right_image.resize(count);
  // check_message made sure every sequence holds `count` items.
  cv::KeyPoint * keypoints = result.keypoints.data();
  const float * x = message.x.data();
  const float * y = message.y.data();
  const float * angle = message.angle.data();
  const uint32_t * size = message.patternzise.data();
  const uint32_t * confidence = message.confidence.data();
  const uint32_t * uniqueid = message.uniqueid.data();
  for (size_t i = 0; i < count; ++i) {
    keypoints[i] = cv::KeyPoint(cv::Point2f(x[i], y[i]), static_cast<float>(size[i]), angle[i],
      static_cast<float>(confidence[i] / 1e6), 0, class_id(uniqueid[i]));
    result.right_image[i] = message.isrightimage[i] != 0;
  }
  if (message.descriptorsize != 0) {
    result.descriptors = unpack(message, descriptor_depth, element);
  }
  return result;
}

}  // namespace pelmora_cv
