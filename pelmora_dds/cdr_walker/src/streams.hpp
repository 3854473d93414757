// Bounds-checked cursors over a CDR body. Positions count from the body's
// first byte, the alignment origin. Every failure leaves its reason in the
// caller's error string and returns false (or null).
#ifndef PELMORA_CDR_WALKER__STREAMS_HPP_
#define PELMORA_CDR_WALKER__STREAMS_HPP_

#include <cstddef>
#include <cstdint>
#include <string>

namespace pelmora_cdr_walker
{

/// Records `reason` in `error` (when given) and returns false: how every
/// failure of the walker ends.
inline bool fail_with(std::string * error, const std::string & reason)
{
  if (error != nullptr) {
    *error = reason;
  }
  return false;
}

/// Copies `n` elements of `size` bytes, reversing each element's bytes when
/// `swap` is set (size 1 never swaps).
void copy_elements(uint8_t * dst, const uint8_t * src, size_t n, size_t size, bool swap);

class Writer
{
public:
  Writer(uint8_t * body, size_t capacity, bool swap, std::string * error)
  : body_(body), capacity_(capacity), swap_(swap), error_(error) {}

  /// Pads with zero bytes to `alignment`, then returns room for `bytes`.
  uint8_t * reserve(size_t bytes, size_t alignment);
  bool u32(uint32_t value);
  bool block(const uint8_t * src, size_t n, size_t size);
  /// Length word (length + 1), the characters and a terminating NUL.
  bool string(const char * text, size_t length);
  bool fail(const std::string & reason) {return fail_with(error_, reason);}
  size_t position() const {return pos_;}

private:
  uint8_t * body_;
  size_t capacity_;
  size_t pos_ = 0;
  bool swap_;
  std::string * error_;
};

class Reader
{
public:
  Reader(const uint8_t * body, size_t size, bool swap, std::string * error)
  : body_(body), size_(size), swap_(swap), error_(error) {}

  /// Skips to `alignment`, then hands out the next `bytes`.
  const uint8_t * take(size_t bytes, size_t alignment);
  bool u32(uint32_t * value);
  /// `n` elements into `dst`; bool elements become 0 or 1.
  bool block(uint8_t * dst, size_t n, size_t size, bool booleans);
  /// A string's characters (without the terminating NUL) inside the body.
  bool string(const char ** text, size_t * length);
  size_t remaining() const {return pos_ < size_ ? size_ - pos_ : 0;}
  bool fail(const std::string & reason) {return fail_with(error_, reason);}
  /// Prefixes the reason already recorded with the member it arose in.
  bool fail_in(const char * member);

private:
  const uint8_t * body_;
  size_t size_;
  size_t pos_ = 0;
  bool swap_;
  std::string * error_;
};

}  // namespace pelmora_cdr_walker

#endif  // PELMORA_CDR_WALKER__STREAMS_HPP_
