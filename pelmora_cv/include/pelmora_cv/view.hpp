// The keypoints of a serialized pelmora::msg::Features read in place: the
// counts and, for each of the eight sequences, where its elements lie in
// the caller's buffer. Nothing is decoded or copied; only the ten words that
// hold the counts and the lengths are read, so a view costs the same
// whatever the message holds.
//
// For the sample bytes a middleware hands over as they came (an
// rclcpp::SerializedMessage): the 4-byte encapsulation header, then the
// little-endian CDR body, in a buffer aligned to 4 bytes. The view points
// into that buffer and is valid as long as the caller keeps it unchanged.
#ifndef PELMORA_CV__VIEW_HPP_
#define PELMORA_CV__VIEW_HPP_

#include <cassert>
#include <cstddef>
#include <cstdint>

#include <opencv2/core.hpp>

#include "pelmora_cv/visibility_control.hpp"

namespace pelmora_cv
{

/// `size()` elements of type T at `data()`, in memory someone else owns.
template<typename T>
class Span
{
public:
  constexpr Span() = default;
  constexpr Span(const T * data, std::size_t size)
  : data_(data), size_(size) {}

  constexpr const T * data() const {return data_;}
  constexpr std::size_t size() const {return size_;}
  constexpr bool empty() const {return size_ == 0;}
  constexpr const T * begin() const {return data_;}
  constexpr const T * end() const {return data_ + size_;}

  const T & operator[](std::size_t i) const
  {
    assert(i < size_);
    return data_[i];
  }

private:
  const T * data_ = nullptr;
  std::size_t size_ = 0;
};

/// A Features message in its serialized bytes, its members named as the
/// message's fields. Every sequence holds keypointnumber items, except
/// descriptor, which holds keypointnumber × ceil(descriptorsize / 4) words
/// (the convention of pelmora_cv's README).
struct FeaturesView
{
  uint32_t keypointnumber = 0;
  uint32_t descriptorsize = 0;
  Span<uint32_t> descriptor;
  Span<uint32_t> uniqueid;
  Span<uint32_t> isrightimage;
  Span<uint32_t> patternzise;
  Span<uint32_t> confidence;
  Span<float> x;
  Span<float> y;
  Span<float> angle;

  /// The descriptors as an N × B CV_8U Mat header on descriptor's words,
  /// with a step of 4 × ceil(B / 4) bytes, so that rows skip their padding
  /// without a copy; an empty Mat when N or B is 0. It shares the buffer's
  /// memory (OpenCV has no read-only Mat: do not write through it). Throws
  /// std::invalid_argument when N or B does not fit a Mat's int sides.
  PELMORA_CV_PUBLIC
  cv::Mat descriptors() const;
};

/// The message in the `size` bytes at `data`: a 4-byte encapsulation header
/// (CDR little-endian, 0x0001), then the CDR body. Bytes after the last
/// sequence are ignored, as decoders ignore them.
///
/// Throws std::invalid_argument
/// - for a big-endian body or a buffer not aligned to 4 bytes, saying to
///   decode the message instead (the words cannot be read in place);
/// - for malformed bytes, with the reason the decoders' reports give, e.g.
///   "descriptor length 4294967295 exceeds the 72 bytes left";
/// - naming the field, as from_message does, for a sequence whose length
///   disagrees with keypointnumber or a descriptor that does not hold
///   N × ceil(B / 4) words.
PELMORA_CV_PUBLIC
FeaturesView view(const void * data, std::size_t size);

}  // namespace pelmora_cv

#endif  // PELMORA_CV__VIEW_HPP_
