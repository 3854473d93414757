// The walk itself, written once for both member-table languages. `L` says
// what differs between the C and the C++ message layout: the table types,
// how a string is held, how a sequence is resized and whether a bool
// sequence is packed (std::vector<bool>).
#ifndef PELMORA_CDR_WALKER__WALK_HPP_
#define PELMORA_CDR_WALKER__WALK_HPP_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "pelmora_cdr_walker/walker.hpp"
#include "primitives.hpp"
#include "streams.hpp"

namespace pelmora_cdr_walker
{

template<class L>
class Walk
{
public:
  using Members = typename L::Members;
  using Member = typename L::Member;

  /// Empty when every member of `members` (recursively) can be moved, else
  /// the reason it cannot.
  static std::string check(const Members & members, int depth = 0)
  {
    if (depth > kMaxNesting) {
      return "messages nested deeper than " + std::to_string(kMaxNesting);
    }
    for (uint32_t i = 0; i < members.member_count_; ++i) {
      const Member & m = members.members_[i];
      std::string problem;
      if (m.type_id_ == kTypeMessage) {
        problem = m.members_ == nullptr || m.members_->data == nullptr ?
          "no member table" : check(nested(m), depth + 1);
      } else if (m.type_id_ != kTypeString && primitive_size(m.type_id_) == 0) {
        problem = "type " + std::to_string(m.type_id_) + " is not moved by this walker";
      }
      if (problem.empty() && is_sequence(m) &&
        (m.size_function == nullptr || m.resize_function == nullptr ||
        (packed(m) ? m.fetch_function == nullptr || m.assign_function == nullptr :
        m.get_const_function == nullptr || m.get_function == nullptr)))
      {
        problem = "sequence without accessor functions";
      }
      if (!problem.empty()) {
        return std::string(members.message_name_) + "." + m.name_ + ": " + problem;
      }
    }
    return "";
  }

  /// Body bytes of `message` placed at position `pos`; returns the end
  /// position, or SIZE_MAX when the message cannot be encoded.
  static size_t size(const Members & members, const uint8_t * message, size_t pos)
  {
    for (uint32_t i = 0; i < members.member_count_ && pos != kNoSize; ++i) {
      const Member & m = members.members_[i];
      const uint8_t * field = message + m.offset_;
      if (!is_sequence(m)) {
        pos = items_size(m, field, fixed_count(m), pos);
      } else {
        const size_t n = m.size_function(field);
        if (!length_fits(m, n)) {
          return kNoSize;
        }
        pos = align(pos, 4) + 4;
        pos = n == 0 ? pos : items_size(m, sequence_data(m, field), n, pos);
      }
    }
    return pos;
  }

  static bool encode(const Members & members, const uint8_t * message, Writer & out)
  {
    for (uint32_t i = 0; i < members.member_count_; ++i) {
      const Member & m = members.members_[i];
      const uint8_t * field = message + m.offset_;
      bool ok;
      if (!is_sequence(m)) {
        ok = write_items(m, field, fixed_count(m), out);
      } else {
        const size_t n = m.size_function(field);
        if (!length_fits(m, n)) {
          return out.fail(std::string(m.name_) + ": " + std::to_string(n) +
                   " elements exceed the length bound");
        }
        ok = out.u32(static_cast<uint32_t>(n)) &&
          (n == 0 || (packed(m) ? write_packed_bools(m, field, n, out) :
          write_items(m, sequence_data(m, field), n, out)));
      }
      if (!ok) {
        return false;
      }
    }
    return true;
  }

  static bool decode(const Members & members, uint8_t * message, Reader & in)
  {
    for (uint32_t i = 0; i < members.member_count_; ++i) {
      const Member & m = members.members_[i];
      uint8_t * field = message + m.offset_;
      const bool ok = is_sequence(m) ?
        read_sequence(m, field, in) : read_items(m, field, fixed_count(m), in);
      if (!ok) {
        return in.fail_in(m.name_);
      }
    }
    return true;
  }

  /// Fewest body bytes any message of the type encodes to (alignment not
  /// counted): the divisor that bounds a sequence of messages by the bytes
  /// left.
  static size_t min_wire_bytes(const Members & members)
  {
    size_t total = 0;
    for (uint32_t i = 0; i < members.member_count_; ++i) {
      const Member & m = members.members_[i];
      // A sequence takes at least its length word.
      total += is_sequence(m) ? 4 : fixed_count(m) * min_item_bytes(m);
    }
    return total;
  }

private:
  static constexpr int kMaxNesting = 32;
  static constexpr size_t kNoSize = std::numeric_limits<size_t>::max();

  static const Members & nested(const Member & m)
  {
    return *static_cast<const Members *>(m.members_->data);
  }

  static bool is_sequence(const Member & m)
  {
    return m.is_array_ && (m.array_size_ == 0 || m.is_upper_bound_);
  }

  // Elements of a member that is not a sequence: one, or the array's.
  static size_t fixed_count(const Member & m)
  {
    return m.is_array_ ? m.array_size_ : 1;
  }

  // Fewest wire bytes of one element of `m`, alignment not counted.
  static size_t min_item_bytes(const Member & m)
  {
    return m.type_id_ == kTypeString ? 4 :
           m.type_id_ == kTypeMessage ? min_wire_bytes(nested(m)) : primitive_size(m.type_id_);
  }

  static bool packed(const Member & m)
  {
    return L::kPackedBoolSequences && m.type_id_ == kTypeBoolean && is_sequence(m);
  }

  static bool length_fits(const Member & m, size_t n)
  {
    return n <= std::numeric_limits<uint32_t>::max() && (!m.is_upper_bound_ || n <= m.array_size_);
  }

  static bool string_fits(const Member & m, size_t length)
  {
    return m.string_upper_bound_ == 0 || length <= m.string_upper_bound_;
  }

  static const uint8_t * sequence_data(const Member & m, const uint8_t * field)
  {
    return packed(m) ? nullptr : static_cast<const uint8_t *>(m.get_const_function(field, 0));
  }

  static size_t stride(const Member & m)
  {
    return m.type_id_ == kTypeString ? sizeof(typename L::String) :
           m.type_id_ == kTypeMessage ? nested(m).size_of_ : primitive_size(m.type_id_);
  }

  // Calls `step` on each of the `n` elements of `m` at `items` until one
  // fails.
  template<class Byte, class Step>
  static bool each_item(const Member & m, Byte * items, size_t n, Step step)
  {
    for (size_t i = 0; i < n; ++i) {
      if (!step(items + i * stride(m))) {
        return false;
      }
    }
    return true;
  }

  // `items` holds `n` elements of `m` contiguously (n >= 1).
  static size_t items_size(const Member & m, const uint8_t * items, size_t n, size_t pos)
  {
    if (m.type_id_ != kTypeString && m.type_id_ != kTypeMessage) {
      const size_t s = primitive_size(m.type_id_);
      return align(pos, s) + n * s;  // one block, aligned once
    }
    for (size_t i = 0; i < n && pos != kNoSize; ++i) {
      const uint8_t * item = items + i * stride(m);
      if (m.type_id_ == kTypeMessage) {
        pos = size(nested(m), item, pos);
      } else {
        const size_t length = L::string_size(item);
        pos = string_fits(m, length) ? align(pos, 4) + 4 + length + 1 : kNoSize;
      }
    }
    return pos;
  }

  static bool write_items(const Member & m, const uint8_t * items, size_t n, Writer & out)
  {
    if (m.type_id_ == kTypeMessage) {
      return each_item(m, items, n, [&](const uint8_t * item) {return encode(nested(m), item, out);});
    }
    if (m.type_id_ == kTypeString) {
      return each_item(m, items, n, [&](const uint8_t * s) {
          const size_t length = L::string_size(s);
          if (!string_fits(m, length)) {
            return out.fail(std::string(m.name_) + ": string longer than its bound");
          }
          return out.string(L::string_data(s), length);
        });
    }
    return out.block(items, n, primitive_size(m.type_id_));
  }

  static bool write_packed_bools(const Member & m, const uint8_t * field, size_t n, Writer & out)
  {
    uint8_t * dst = out.reserve(n, 1);
    if (dst == nullptr) {
      return false;
    }
    for (size_t i = 0; i < n; ++i) {
      bool value = false;
      m.fetch_function(field, i, &value);
      dst[i] = value ? 1 : 0;
    }
    return true;
  }

  static bool read_items(const Member & m, uint8_t * items, size_t n, Reader & in)
  {
    if (m.type_id_ == kTypeMessage) {
      return each_item(m, items, n, [&](uint8_t * item) {return decode(nested(m), item, in);});
    }
    if (m.type_id_ == kTypeString) {
      return each_item(m, items, n, [&](uint8_t * s) {
          const char * text = nullptr;
          size_t length = 0;
          if (!in.string(&text, &length)) {
            return false;
          }
          if (!string_fits(m, length)) {
            return in.fail("string longer than its bound");
          }
          return L::string_assign(s, text, length) || in.fail("no memory for a string");
        });
    }
    return in.block(items, n, primitive_size(m.type_id_), m.type_id_ == kTypeBoolean);
  }

  static bool read_sequence(const Member & m, uint8_t * field, Reader & in)
  {
    uint32_t n = 0;
    if (!in.u32(&n)) {
      return false;
    }
    if (m.is_upper_bound_ && n > m.array_size_) {
      return in.fail("length " + std::to_string(n) + " above the bound " +
               std::to_string(m.array_size_));
    }
    // Before any storage is made: even the smallest elements must fit in
    // the bytes left, so the allocation stays within what the sample holds.
    const size_t smallest = std::max<size_t>(1, min_item_bytes(m));
    if (n > in.remaining() / smallest) {
      return in.fail("length word " + std::to_string(n) + " but only " +
               std::to_string(in.remaining()) + " bytes left");
    }
    if (!L::resize(m, field, n)) {
      return in.fail("no memory for " + std::to_string(n) + " elements");
    }
    if (n == 0) {
      return true;
    }
    if (packed(m)) {
      const uint8_t * src = in.take(n, 1);
      for (size_t i = 0; src != nullptr && i < n; ++i) {
        const bool value = src[i] != 0;
        m.assign_function(field, i, &value);
      }
      return src != nullptr;
    }
    return read_items(m, static_cast<uint8_t *>(m.get_function(field, 0)), n, in);
  }
};

}  // namespace pelmora_cdr_walker

#endif  // PELMORA_CDR_WALKER__WALK_HPP_
