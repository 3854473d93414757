// A serialized message read in place: view.
#include "pelmora_cv/view.hpp"

#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "convention.hpp"
#include "pelmora/msg/detail/features__fields.h"

namespace pelmora_cv
{

namespace
{

// The encapsulation header: a representation identifier, big-endian
// whatever the body's order, then two option bytes.
constexpr size_t kHeaderBytes = 4;
constexpr unsigned kCdrBigEndian = 0x0000;
constexpr unsigned kCdrLittleEndian = 0x0001;

[[noreturn]] void malformed(const std::string & reason)
{
  throw std::invalid_argument(reason);
}

// The body's words in order, each checked against the bytes left before it
// is read. The body is aligned and little-endian, as is the host
// (convention.hpp), so the words are read in place.
class Body
{
public:
  Body(const uint8_t * data, size_t size)
  : data_(data), size_(size) {}

  uint32_t scalar(const char * field)
  {
    uint32_t value = 0;
    if (!next_word(&value)) {
      malformed(std::string("payload ends in ") + field);
    }
    return value;
  }

  template<typename Element>
  Span<Element> sequence(const char * field)
  {
    static_assert(sizeof(Element) == kWordBytes, "every element is a word");
    uint32_t length = 0;
    if (!next_word(&length)) {
      malformed(std::string("payload ends in ") + field + " length");
    }
    const uint64_t bytes = uint64_t{kWordBytes} * length;
    if (length > left()) {
      malformed(std::string(field) + " length " + std::to_string(length) + " exceeds the " +
        std::to_string(left()) + " bytes left");
    }
    if (bytes > left()) {
      malformed(std::string(field) + " length " + std::to_string(length) + " needs " +
        std::to_string(bytes) + " bytes, " + std::to_string(left()) + " left");
    }
    const Span<Element> elements(reinterpret_cast<const Element *>(data_ + at_), length);
    at_ += bytes;
    return elements;
  }

private:
  size_t left() const {return size_ - at_;}

  bool next_word(uint32_t * word)
  {
    if (left() < kWordBytes) {
      return false;
    }
    std::memcpy(word, data_ + at_, kWordBytes);
    at_ += kWordBytes;
    return true;
  }

  const uint8_t * data_;
  size_t size_;
  size_t at_ = 0;
};

// The body's bytes after the header, or std::invalid_argument for a payload
// view() cannot read in place.
const uint8_t * little_endian_body(const void * data, size_t size)
{
  const auto * bytes = static_cast<const uint8_t *>(data);
  if (size < kHeaderBytes) {
    malformed("payload of " + std::to_string(size) + " bytes has no encapsulation header");
  }
  const unsigned identifier = (unsigned{bytes[0]} << 8) | bytes[1];
  if (identifier == kCdrBigEndian) {
    malformed("big-endian CDR (encapsulation 0x0000): its words cannot be read in place; "
      "decode the message instead");
  }
  if (identifier != kCdrLittleEndian) {
    char text[48];
    std::snprintf(text, sizeof(text), "unknown encapsulation 0x%04x", identifier);
    malformed(text);
  }
  if (reinterpret_cast<std::uintptr_t>(data) % kWordBytes != 0) {
    malformed("the payload is not aligned to 4 bytes: its words cannot be read in place; "
      "decode the message instead");
  }
  return bytes + kHeaderBytes;
}

}  // namespace

FeaturesView view(const void * data, std::size_t size)
{
  assert(data != nullptr || size == 0);
  const uint8_t * after_header = little_endian_body(data, size);
  Body body(after_header, size - kHeaderBytes);
  FeaturesView features;
#define PELMORA_CV_SCALAR(field) features.field = body.scalar(#field);
  PELMORA__MSG__FEATURES__SCALAR_FIELDS(PELMORA_CV_SCALAR)
#undef PELMORA_CV_SCALAR
#define PELMORA_CV_UINT32(field) features.field = body.sequence<uint32_t>(#field);
#define PELMORA_CV_FLOAT(field) features.field = body.sequence<float>(#field);
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_CV_UINT32, PELMORA_CV_FLOAT)
#undef PELMORA_CV_FLOAT
#undef PELMORA_CV_UINT32
#define PELMORA_CV_LENGTH(field) features.field.size(),
  check_shape(features.keypointnumber, features.descriptorsize,
    {PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_CV_LENGTH, PELMORA_CV_LENGTH)});
#undef PELMORA_CV_LENGTH
  return features;
}

cv::Mat FeaturesView::descriptors() const
{
  constexpr uint32_t kLargestSide = std::numeric_limits<int>::max();
  if (keypointnumber == 0 || descriptorsize == 0) {
    return cv::Mat();
  }
  if (keypointnumber > kLargestSide || descriptorsize > kLargestSide) {
    refuse("descriptorsize", keypointnumber, " descriptors of ", descriptorsize,
      " bytes do not fit the int sides of a Mat");
  }
  // cv::Mat has no read-only header; the documentation says not to write.
  return cv::Mat(static_cast<int>(keypointnumber), static_cast<int>(descriptorsize), CV_8U,
           const_cast<uint32_t *>(descriptor.data()), words_per_descriptor(descriptorsize) * kWordBytes);
}

}  // namespace pelmora_cv
