// Pieces of the C++ CDR type support kept in a header of their own so that
// the tests can drive them with sizes no test can allocate: the size rule
// and the writing of one sequence.
#ifndef PELMORA__TYPESUPPORT_FASTRTPS_CPP__FEATURES__CDR_SEQUENCE_HPP_
#define PELMORA__TYPESUPPORT_FASTRTPS_CPP__FEATURES__CDR_SEQUENCE_HPP_

#include <cstddef>
#include <cstdint>
#include <limits>

#include "fastcdr/Cdr.h"
#include "fastcdr/exceptions/BadParamException.h"
#include "fastcdr/exceptions/Exception.h"

namespace pelmora
{
namespace msg
{
namespace typesupport_fastrtps_cpp
{
namespace detail
{

// --- The size rule --------------------------------------------------------
// Every item on the wire is one aligned 4-byte word, so only the first one
// can need padding: N elements from position a take pad(a) + 40 + 4·N bytes.

// Ten words: the two scalars and the eight length words.
constexpr std::size_t kFixedPart = 40;

// A uint32 and a float32 element alike.
constexpr std::size_t kElementSize = 4;

// The largest count a length word can say, and the largest size the
// callbacks record can report.
constexpr uint32_t kMaxLength = std::numeric_limits<uint32_t>::max();

// Bytes that bring `position` up to a multiple of 4.
constexpr std::size_t padding(std::size_t position)
{
  return (0 - position) & 3u;
}

// pad(a) + 40 + 4·N for `elements` elements from `current_alignment`.
constexpr std::size_t serialized_size(std::size_t current_alignment, std::size_t elements)
{
  return padding(current_alignment) + kFixedPart + kElementSize * elements;
}

// The serialized size as the callbacks record reports it, in 32 bits. A
// larger message reports the largest value instead of wrapping round to a
// small, wrong one that would send a middleware off with a buffer far too
// small.
constexpr uint32_t callback_serialized_size(std::size_t size)
{
  return size > kMaxLength ? kMaxLength : static_cast<uint32_t>(size);
}

// --- One sequence ---------------------------------------------------------

constexpr const char * kSequenceTooLongMessage =
  "sequence has more than 4294967295 elements and cannot be serialized";

/// Writes one sequence as its length word and one block of elements, the way
/// Fast-CDR's own std::vector operator does, with one addition: a sequence
/// longer than a length word can count is refused with BadParamException
/// before anything is written, where the operator would write the truncated
/// count followed by all the elements. When the block write fails the Cdr is
/// set back to the length word and the exception rethrown.
///
/// `Sequence` is anything with size() and data() (std::vector in the library).
template<typename Sequence>
void serialize_sequence(eprosima::fastcdr::Cdr & cdr, const Sequence & sequence)
{
  const std::size_t count = sequence.size();
  if (count > kMaxLength) {
    throw eprosima::fastcdr::exception::BadParamException(kSequenceTooLongMessage);
  }
  eprosima::fastcdr::Cdr::state before_length(cdr);
  cdr.serialize(static_cast<uint32_t>(count));
  try {
    cdr.serializeArray(sequence.data(), count);
  } catch (const eprosima::fastcdr::exception::Exception & error) {
    cdr.setState(before_length);
    error.raise();
  }
}

}  // namespace detail
}  // namespace typesupport_fastrtps_cpp
}  // namespace msg
}  // namespace pelmora

#endif  // PELMORA__TYPESUPPORT_FASTRTPS_CPP__FEATURES__CDR_SEQUENCE_HPP_
