#include "payload_check.hpp"

#include <cstdio>

#include "features_content.hpp"
#include "pelmora/msg/detail/features__fields.h"

namespace pelmora_dds
{

namespace
{

constexpr size_t kHeaderBytes = 4;

#define PELMORA_DDS_NAME(name) #name,
const char * const kScalarNames[] = {PELMORA__MSG__FEATURES__SCALAR_FIELDS(PELMORA_DDS_NAME)};
#undef PELMORA_DDS_NAME
constexpr uint16_t kCdrBigEndian = 0x0000;
constexpr uint16_t kCdrLittleEndian = 0x0001;

class Reader
{
public:
  Reader(const uint8_t * data, size_t size, bool big_endian)
  : data_(data), size_(size), big_endian_(big_endian) {}

  size_t left() const {return size_ - at_;}

  bool word(uint32_t * out)
  {
    if (left() < 4) {
      return false;
    }
    const uint8_t * p = data_ + at_;
    *out = big_endian_ ?
      (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3] :
      (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    at_ += 4;
    return true;
  }

  void skip(size_t bytes) {at_ += bytes;}

private:
  const uint8_t * data_;
  size_t size_;
  bool big_endian_;
  size_t at_ = 0;
};

PayloadCheck refused(std::string reason)
{
  PayloadCheck check;
  check.reason = std::move(reason);
  return check;
}

}  // namespace

PayloadCheck check_payload(const uint8_t * data, size_t size)
{
  if (size < kHeaderBytes) {
    return refused("payload of " + std::to_string(size) + " bytes has no encapsulation header");
  }
  // The representation identifier is big-endian whatever the body's order.
  const uint16_t id = static_cast<uint16_t>((data[0] << 8) | data[1]);
  if (id != kCdrBigEndian && id != kCdrLittleEndian) {
    char text[48];
    std::snprintf(text, sizeof(text), "unknown encapsulation 0x%04x", static_cast<unsigned>(id));
    return refused(text);
  }
  Reader reader(data + kHeaderBytes, size - kHeaderBytes, id == kCdrBigEndian);
  uint32_t word = 0;
  for (const char * scalar : kScalarNames) {
    if (!reader.word(&word)) {
      return refused(std::string("payload ends in ") + scalar);
    }
  }
  for (const SequenceField & field : kSequenceFields) {
    const std::string name = field.name;
    if (!reader.word(&word)) {
      return refused("payload ends in " + name + " length");
    }
    const uint64_t n = word;
    const std::string length = name + " length " + std::to_string(n);
    if (n > reader.left()) {
      return refused(length + " exceeds the " + std::to_string(reader.left()) + " bytes left");
    }
    if (4 * n > reader.left()) {
      return refused(length + " needs " + std::to_string(4 * n) + " bytes, " +
        std::to_string(reader.left()) + " left");
    }
    reader.skip(4 * n);
  }
  PayloadCheck check;
  check.well_formed = true;
  return check;
}

}  // namespace pelmora_dds
