#include "streams.hpp"

#include <cstring>

#include "primitives.hpp"

namespace pelmora_cdr_walker
{

void copy_elements(uint8_t * dst, const uint8_t * src, size_t n, size_t size, bool swap)
{
  // Fast path: the sample's byte order is the host's, one block copy.
  if (!swap || size == 1) {
    std::memcpy(dst, src, n * size);
    return;
  }
  for (size_t i = 0; i < n; ++i, dst += size, src += size) {
    if (size == 2) {
      uint16_t v;
      std::memcpy(&v, src, 2);
      v = __builtin_bswap16(v);
      std::memcpy(dst, &v, 2);
    } else if (size == 4) {
      uint32_t v;
      std::memcpy(&v, src, 4);
      v = __builtin_bswap32(v);
      std::memcpy(dst, &v, 4);
    } else {
      uint64_t v;
      std::memcpy(&v, src, 8);
      v = __builtin_bswap64(v);
      std::memcpy(dst, &v, 8);
    }
  }
}

uint8_t * Writer::reserve(size_t bytes, size_t alignment)
{
  const size_t start = align(pos_, alignment);
  if (start > capacity_ || bytes > capacity_ - start) {
    fail("the buffer of " + std::to_string(capacity_) + " body bytes is too small");
    return nullptr;
  }
  std::memset(body_ + pos_, 0, start - pos_);
  pos_ = start + bytes;
  return body_ + start;
}

bool Writer::u32(uint32_t value)
{
  return block(reinterpret_cast<const uint8_t *>(&value), 1, 4);
}

bool Writer::block(const uint8_t * src, size_t n, size_t size)
{
  uint8_t * dst = reserve(n * size, size);
  if (dst == nullptr) {
    return false;
  }
  copy_elements(dst, src, n, size, swap_);
  return true;
}

bool Writer::string(const char * text, size_t length)
{
  if (length >= UINT32_MAX) {
    return fail("string of " + std::to_string(length) + " characters");
  }
  if (!u32(static_cast<uint32_t>(length + 1))) {
    return false;
  }
  uint8_t * dst = reserve(length + 1, 1);
  if (dst == nullptr) {
    return false;
  }
  if (length != 0) {
    std::memcpy(dst, text, length);
  }
  dst[length] = 0;
  return true;
}

const uint8_t * Reader::take(size_t bytes, size_t alignment)
{
  const size_t start = align(pos_, alignment);
  if (start > size_ || bytes > size_ - start) {
    fail("truncated: " + std::to_string(bytes) + " bytes needed at body offset " +
      std::to_string(start) + ", the body has " + std::to_string(size_));
    return nullptr;
  }
  pos_ = start + bytes;
  return body_ + start;
}

bool Reader::u32(uint32_t * value)
{
  return block(reinterpret_cast<uint8_t *>(value), 1, 4, false);
}

bool Reader::block(uint8_t * dst, size_t n, size_t size, bool booleans)
{
  if (size != 0 && n > remaining() / size) {
    return fail("truncated: " + std::to_string(n) + " elements of " + std::to_string(size) +
             " bytes, " + std::to_string(remaining()) + " bytes left");
  }
  const uint8_t * src = take(n * size, size);
  if (src == nullptr) {
    return false;
  }
  if (booleans) {
    for (size_t i = 0; i < n; ++i) {
      dst[i] = src[i] != 0;
    }
  } else {
    copy_elements(dst, src, n, size, swap_);
  }
  return true;
}

bool Reader::string(const char ** text, size_t * length)
{
  uint32_t words = 0;
  if (!u32(&words)) {
    return false;
  }
  // Length 0 is what some writers send for an empty string; any other length
  // counts the terminating NUL.
  if (words == 0) {
    *text = "";
    *length = 0;
    return true;
  }
  const uint8_t * chars = take(words, 1);
  if (chars == nullptr) {
    return false;
  }
  if (chars[words - 1] != 0) {
    return fail("string not terminated by NUL");
  }
  *text = reinterpret_cast<const char *>(chars);
  *length = words - 1;
  return true;
}

bool Reader::fail_in(const char * member)
{
  if (error_ != nullptr) {
    *error_ = std::string(member) + ": " + *error_;
  }
  return false;
}

}  // namespace pelmora_cdr_walker
