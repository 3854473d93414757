// A message back into keypoints and a descriptor Mat: from_message.
#include <algorithm>
#include <cstring>
#include <iterator>
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
  if (rows == 0) {
    return descriptors;  // nor may memcpy be handed the words' storage, which may be null
  }
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

// Keypoint i of a well-formed message, made as it is read. Handing a range
// of these to the keypoint vector constructs each cv::KeyPoint once, in
// place, instead of default-constructing N keypoints and overwriting them.
class KeypointReader
{
public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = cv::KeyPoint;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = cv::KeyPoint;

  KeypointReader(const pelmora::msg::Features & message, size_t index)
  : x_(message.x.data()), y_(message.y.data()), angle_(message.angle.data()),
    size_(message.patternzise.data()), confidence_(message.confidence.data()),
    uniqueid_(message.uniqueid.data()), index_(index) {}

  cv::KeyPoint operator*() const
  {
    const size_t i = index_;
    return cv::KeyPoint(cv::Point2f(x_[i], y_[i]), static_cast<float>(size_[i]), angle_[i],
             response(confidence_[i]), 0, class_id(uniqueid_[i]));
  }

  KeypointReader & operator++()
  {
    ++index_;
    return *this;
  }

  KeypointReader operator++(int)
  {
    KeypointReader before = *this;
    ++index_;
    return before;
  }

  bool operator==(const KeypointReader & other) const {return index_ == other.index_;}
  bool operator!=(const KeypointReader & other) const {return index_ != other.index_;}

  difference_type operator-(const KeypointReader & other) const
  {
    return static_cast<difference_type>(index_) - static_cast<difference_type>(other.index_);
  }

private:
  const float * x_;
  const float * y_;
  const float * angle_;
  const uint32_t * size_;
  const uint32_t * confidence_;
  const uint32_t * uniqueid_;
  size_t index_;
};

// The flags as bools, a run of equal flags at a time: vector<bool> fills a
// run a word of bits at a time, where setting each bit on its own would
// read and write its word once per keypoint.
void append_flags(const std::vector<uint32_t> & flags, std::vector<bool> & out)
{
  out.reserve(flags.size());
  for (auto run = flags.begin(); run != flags.end();) {
    const bool right = *run != 0;
    const auto end = std::find_if(run, flags.end(), [right](uint32_t flag) {return (flag != 0) != right;});
    out.insert(out.end(), static_cast<size_t>(end - run), right);
    run = end;
  }
}

}  // namespace

Keypoints from_message(const pelmora::msg::Features & message, int descriptor_depth)
{
  check_message(message);
  const size_t element = element_bytes(descriptor_depth, message.descriptorsize);
  Keypoints result;
  // check_message made sure every sequence holds keypointnumber items.
  result.keypoints.assign(KeypointReader(message, 0), KeypointReader(message, message.keypointnumber));
  append_flags(message.isrightimage, result.right_image);
  if (message.descriptorsize != 0) {
    result.descriptors = unpack(message, descriptor_depth, element);
  }
  return result;
}

}  // namespace pelmora_cv
