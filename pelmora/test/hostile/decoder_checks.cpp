#include "decoder_checks.hpp"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

#include "c_record.hpp"
#include "cpp_message.hpp"

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "fastcdr/exceptions/Exception.h"
#include "fastcdr/exceptions/NotEnoughMemoryException.h"
#include "pelmora/msg/detail/features__fields.h"
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_c.h"
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_cpp.hpp"
#include "pelmora/msg/features.h"
#include "pelmora/msg/features.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "stderr_capture.hpp"

namespace pelmora_hostile
{
namespace
{

using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;
using FastCdrException = eprosima::fastcdr::exception::Exception;
using NotEnoughMemory = eprosima::fastcdr::exception::NotEnoughMemoryException;
using pelmora_tests::kFieldNames;
using pelmora_tests::Record;
using pelmora_tests::StderrCapture;
using pelmora_tests::words_of;

constexpr const char * kBeyondBufferText = "sequence size exceeds remaining buffer\n";

uint32_t word_at(const uint8_t * bytes, bool big_endian)
{
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    const size_t shift = big_endian ? 8 * (3 - i) : 8 * i;
    value |= static_cast<uint32_t>(bytes[i]) << shift;
  }
  return value;
}

Cdr::Endianness order(bool big_endian)
{
  return big_endian ? Cdr::BIG_ENDIANNESS : Cdr::LITTLE_ENDIANNESS;
}

const message_type_support_callbacks_t & callbacks(const rosidl_message_type_support_t * handle)
{
  return *static_cast<const message_type_support_callbacks_t *>(handle->data);
}

const message_type_support_callbacks_t & c_callbacks()
{
  return callbacks(rosidl_typesupport_fastrtps_c__get_message_type_support_handle__pelmora__msg__Features());
}

const message_type_support_callbacks_t & cpp_callbacks()
{
  return callbacks(
    rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__pelmora__msg__Features());
}

// The input, copied to a heap block of exactly its size, so that a sanitizer
// sees any read beyond it.
class ExactBuffer
{
public:
  ExactBuffer(const uint8_t * data, size_t size)
  : bytes_(new char[size]), buffer_(bytes_.get(), size)
  {
    if (size > 0) {
      std::memcpy(bytes_.get(), data, size);
    }
  }

  FastBuffer & buffer() {return buffer_;}

private:
  std::unique_ptr<char[]> bytes_;
  FastBuffer buffer_;
};

// What one decoder did with the bytes.
struct Attempt
{
  bool result = false;             // false too when it threw
  bool threw = false;
  bool not_enough_memory = false;  // what it threw was NotEnoughMemoryException
  size_t position = 0;             // where the Cdr stood afterwards
  std::string text;                // what it wrote to standard error
};

// Decodes the bytes, from an exact copy, into `message` with `callbacks`.
Attempt attempt(
  const message_type_support_callbacks_t & callbacks, const uint8_t * data, size_t size,
  bool big_endian, void * message)
{
  Attempt attempt;
  ExactBuffer input(data, size);
  Cdr cdr(input.buffer(), order(big_endian), Cdr::DDS_CDR);
  StderrCapture capture;
  try {
    attempt.result = callbacks.cdr_deserialize(cdr, message);
  } catch (const NotEnoughMemory &) {
    attempt.threw = true;
    attempt.not_enough_memory = true;
  } catch (const FastCdrException &) {
    attempt.threw = true;
  }
  attempt.text = capture.text();
  attempt.position = cdr.getSerializedDataLength();
  return attempt;
}

// The scalar fields of Words in wire order.
#define PELMORA_HOSTILE_MEMBER(name) &Words::name,
constexpr uint32_t Words::* kScalarMembers[kFirstSequence] = {
  PELMORA__MSG__FEATURES__SCALAR_FIELDS(PELMORA_HOSTILE_MEMBER)};
#undef PELMORA_HOSTILE_MEMBER

// --- comparing ------------------------------------------------------------

std::vector<uint32_t> field_words(const Words & words, size_t field)
{
  if (field < kFirstSequence) {
    return {words.*kScalarMembers[field]};
  }
  return words.sequences[field - kFirstSequence];
}

std::string describe(const std::vector<uint32_t> & words)
{
  std::ostringstream text;
  text << words.size() << " word(s)";
  for (size_t i = 0; i < words.size() && i < 4; ++i) {
    text << (i == 0 ? ": " : " ") << std::hex << words[i] << std::dec;
  }
  if (words.size() > 4) {
    text << " ...";
  }
  return text.str();
}

// The first field in [from, to) where `actual` and `expected` differ, or "".
std::string compare_fields(
  const Words & actual, const Words & expected, size_t from, size_t to, const char * role)
{
  for (size_t field = from; field < to; ++field) {
    const auto got = field_words(actual, field);
    const auto want = field_words(expected, field);
    if (got != want) {
      return std::string(kFieldNames[field]) + " (" + role + ") holds " + describe(got) +
             ", expected " + describe(want);
    }
  }
  return "";
}

// After a failure at `reading.field`, with `expected` put before any
// problem: the fields before it decoded, the fields from `first_kept` on as
// they were before the call.
std::string compare_partial(
  const std::string & expected, const Words & actual, const Reading & reading, const Words & before,
  size_t first_kept)
{
  std::string problem = compare_fields(actual, reading.words, 0, reading.field, "decoded before the failure");
  if (problem.empty()) {
    problem = compare_fields(actual, before, first_kept, kFieldCount, "not reached");
  }
  return problem.empty() ? "" : expected + problem;
}

std::string compare_bytes(
  const std::vector<uint8_t> & actual, const uint8_t * expected, size_t size, const char * role)
{
  if (actual.size() == size && (size == 0 || std::memcmp(actual.data(), expected, size) == 0)) {
    return "";
  }
  std::ostringstream text;
  text << role << " wrote " << actual.size() << " bytes that differ from the " << size << " bytes read";
  return text.str();
}

// The bytes that `callbacks` writes for `message`, into a buffer of exactly
// the size that its size function gives.
std::vector<uint8_t> reencode(
  const message_type_support_callbacks_t & callbacks, const void * message, bool big_endian)
{
  const size_t size = callbacks.get_serialized_size(message);
  std::vector<char> bytes(size);
  FastBuffer buffer(bytes.data(), bytes.size());
  Cdr cdr(buffer, order(big_endian), Cdr::DDS_CDR);
  if (!callbacks.cdr_serialize(message, cdr)) {
    return {};
  }
  const auto * begin = reinterpret_cast<const uint8_t *>(bytes.data());
  return {begin, begin + cdr.getSerializedDataLength()};
}

// After a decode that succeeded as it should: every field as read, the Cdr
// behind the whole message, and a re-encoding by `encoder` that gives back
// exactly the bytes read. Field and position problems carry `expected`.
std::string compare_decoded(
  const std::string & expected, const Words & after, const Reading & reading, size_t position,
  const message_type_support_callbacks_t & callbacks, const void * message,
  const uint8_t * data, bool big_endian, const char * encoder)
{
  const std::string problem = compare_fields(after, reading.words, 0, kFieldCount, "decoded");
  if (!problem.empty()) {
    return expected + problem;
  }
  if (position != reading.consumed) {
    return expected + "it read " + std::to_string(position) + " bytes, not " +
           std::to_string(reading.consumed);
  }
  return compare_bytes(reencode(callbacks, message, big_endian), data, reading.consumed, encoder);
}

const char * outcome_name(Outcome outcome)
{
  switch (outcome) {
    case Outcome::kDecoded: return "a decoded message";
    case Outcome::kWordCutShort: return "a word cut short";
    case Outcome::kLengthBeyondBuffer: return "a length beyond the buffer";
    case Outcome::kBlockCutShort: return "a block cut short";
  }
  return "?";
}

std::string expected_at(const Reading & reading)
{
  std::ostringstream text;
  text << "expected " << outcome_name(reading.outcome);
  if (reading.outcome != Outcome::kDecoded) {
    text << " in " << kFieldNames[reading.field] << " at byte " << reading.field_offset;
  }
  text << ": ";
  return text.str();
}

}  // namespace

Reading read_features(const uint8_t * data, size_t size, bool big_endian)
{
  Reading reading;
  size_t position = 0;
  for (size_t field = 0; field < kFieldCount; ++field) {
    reading.field_offset = position;
    reading.field = field;
    if (size - position < 4) {
      reading.outcome = Outcome::kWordCutShort;
      return reading;
    }
    const uint32_t word = word_at(data + position, big_endian);
    position += 4;
    if (field < kFirstSequence) {
      reading.words.*kScalarMembers[field] = word;
      continue;
    }
    const uint64_t left = size - position;
    if (left < word) {
      reading.outcome = Outcome::kLengthBeyondBuffer;
      reading.length = word;
      return reading;
    }
    if (left < 4 * uint64_t{word}) {
      reading.outcome = Outcome::kBlockCutShort;
      reading.length = word;
      return reading;
    }
    auto & sequence = reading.words.sequences[field - kFirstSequence];
    sequence.resize(word);
    for (uint32_t i = 0; i < word; ++i, position += 4) {
      sequence[i] = word_at(data + position, big_endian);
    }
  }
  reading.outcome = Outcome::kDecoded;
  reading.field = kFieldCount;
  reading.field_offset = 0;
  reading.consumed = position;
  return reading;
}

std::vector<uint8_t> encode_words(const Words & message, bool big_endian)
{
  std::vector<uint8_t> bytes;
  auto put = [&](uint32_t word) {
      for (size_t i = 0; i < 4; ++i) {
        const size_t shift = big_endian ? 8 * (3 - i) : 8 * i;
        bytes.push_back(static_cast<uint8_t>(word >> shift));
      }
    };
  for (uint32_t Words::* scalar : kScalarMembers) {
    put(message.*scalar);
  }
  for (const auto & sequence : message.sequences) {
    put(static_cast<uint32_t>(sequence.size()));
    for (uint32_t word : sequence) {
      put(word);
    }
  }
  return bytes;
}

const Words & previous_contents()
{
  static const Words words = [] {
      Words made;
      made.keypointnumber = 0x5eed0001u;
      made.descriptorsize = 0x5eed0002u;
      for (uint32_t k = 0; k < made.sequences.size(); ++k) {
        for (uint32_t i = 0; i <= k; ++i) {
          made.sequences[k].push_back(0xdead0000u | (k << 8) | i);
        }
      }
      return made;
    }();
  return words;
}

std::string check_c_decoder(const uint8_t * data, size_t size, bool big_endian, bool prefilled)
{
  const Reading reading = read_features(data, size, big_endian);
  const Words before = prefilled ? previous_contents() : Words{};
  Record record = prefilled ? pelmora_tests::make_record(before) : pelmora_tests::empty_record();
  const Attempt tried = attempt(c_callbacks(), data, size, big_endian, record.get());
  const Words after = words_of(*record);
  const std::string expected = "C decoder, " + expected_at(reading);

  switch (reading.outcome) {
    case Outcome::kDecoded: {
        if (!tried.result || tried.threw || !tried.text.empty()) {
          return expected + (tried.threw ? "it threw" : "it returned false") + ", reporting '" +
                 tried.text + "'";
        }
        return compare_decoded(expected, after, reading, tried.position,
                 c_callbacks(), record.get(), data, big_endian, "the C encoder");
      }
    case Outcome::kLengthBeyondBuffer: {
        if (tried.result || tried.threw || tried.text != kBeyondBufferText) {
          return expected +
                 (tried.threw ? "it threw" : tried.result ? "it returned true" : "it returned false") +
                 ", reporting '" + tried.text + "'";
        }
        if (tried.position != reading.field_offset + 4) {
          return expected + "the Cdr stands at byte " + std::to_string(tried.position) +
                 ", not behind the length word";
        }
        return compare_partial(expected, after, reading, before, reading.field);
      }
    case Outcome::kWordCutShort:
    case Outcome::kBlockCutShort: {
        if (!tried.threw || !tried.text.empty()) {
          return expected + "no Fast-CDR exception (result " + (tried.result ? "true" : "false") +
                 ", reporting '" + tried.text + "')";
        }
        const bool block = reading.outcome == Outcome::kBlockCutShort;
        if (block && after.sequences[reading.field - kFirstSequence].size() != reading.length) {
          return expected + "the failing sequence does not hold the " + std::to_string(reading.length) +
                 " elements it was made for";
        }
        return compare_partial(expected, after, reading, before, reading.field + (block ? 1 : 0));
      }
  }
  return "unknown outcome";
}

std::string check_cpp_decoder(const uint8_t * data, size_t size, bool big_endian, bool prefilled)
{
  const Reading reading = read_features(data, size, big_endian);
  const Words before = prefilled ? previous_contents() : Words{};
  pelmora::msg::Features message = pelmora_tests::message_from(before);
  const Attempt tried = attempt(cpp_callbacks(), data, size, big_endian, &message);
  if (!tried.result && !tried.threw) {
    return "C++ decoder returned false, which it never may";
  }
  const Words after = words_of(message);
  const std::string expected = "C++ decoder, " + expected_at(reading);

  if (reading.outcome == Outcome::kDecoded) {
    if (tried.threw) {
      return expected + "it threw";
    }
    return compare_decoded(expected, after, reading, tried.position,
             cpp_callbacks(), &message, data, big_endian, "the C++ encoder");
  }

  if (!tried.threw) {
    return expected + "it returned true";
  }
  if (reading.outcome == Outcome::kWordCutShort) {
    return compare_partial(expected, after, reading, before, reading.field);
  }
  // A sequence that fails sets the Cdr back to its length word.
  if (tried.position != reading.field_offset) {
    return expected + "the Cdr stands at byte " + std::to_string(tried.position) +
           ", not at the failing length word";
  }
  if (reading.outcome == Outcome::kLengthBeyondBuffer) {
    if (!tried.not_enough_memory) {
      return expected + "it threw another exception than NotEnoughMemoryException";
    }
    return compare_partial(expected, after, reading, before, reading.field);
  }
  if (after.sequences[reading.field - kFirstSequence].size() != reading.length) {
    return expected + "the failing vector does not hold the " + std::to_string(reading.length) +
           " elements it was resized to";
  }
  return compare_partial(expected, after, reading, before, reading.field + 1);
}

std::string check_decoders_agree(const uint8_t * data, size_t size, bool big_endian)
{
  Record record = pelmora_tests::empty_record();
  pelmora::msg::Features message;
  const Attempt from_c = attempt(c_callbacks(), data, size, big_endian, record.get());
  const Attempt from_cpp = attempt(cpp_callbacks(), data, size, big_endian, &message);

  if (from_c.result != from_cpp.result) {
    return std::string("the C decoder ") + (from_c.result ? "accepted" : "refused") +
           " bytes that the C++ decoder " + (from_cpp.result ? "accepted" : "refused");
  }
  if (!from_c.result) {
    return "";
  }
  std::string problem =
    compare_fields(words_of(*record), words_of(message), 0, kFieldCount, "C against C++");
  if (!problem.empty()) {
    return problem;
  }
  if (from_c.position != from_cpp.position) {
    return "the C decoder read " + std::to_string(from_c.position) + " bytes, the C++ decoder " +
           std::to_string(from_cpp.position);
  }
  problem = compare_bytes(reencode(c_callbacks(), record.get(), big_endian),
      data, from_c.position, "the C encoder");
  if (problem.empty()) {
    problem = compare_bytes(reencode(cpp_callbacks(), &message, big_endian),
        data, from_cpp.position, "the C++ encoder");
  }
  return problem;
}

}  // namespace pelmora_hostile
