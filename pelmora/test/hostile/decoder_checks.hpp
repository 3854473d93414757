// Holds the package's two CDR decoders to the Features wire form for any
// bytes at all: a reading of the bytes made here, word by word and without
// Fast-CDR, says what each decoder must do with them, and the checks compare
// what the decoder did (result, exception, report text, message contents,
// position of the Cdr, bytes of a re-encoding) against it.
//
// The same checks serve the hostile-input tests and the fuzz harnesses.
#ifndef PELMORA_TESTS__DECODER_CHECKS_HPP_
#define PELMORA_TESTS__DECODER_CHECKS_HPP_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "features_words.hpp"

namespace pelmora_hostile
{

// The ten fields in wire order: the scalars, then the sequences.
constexpr size_t kFieldCount = pelmora_tests::kFieldNames.size();
constexpr size_t kFirstSequence = pelmora_tests::kScalarFields.size();

/// A Features message as plain words: floats are their binary32 patterns.
using Words = pelmora_tests::FeaturesWords;

/// How a decoder must end on given bytes.
enum class Outcome
{
  kDecoded,             // the whole message was read
  kWordCutShort,        // a scalar or a length word runs past the end
  kLengthBeyondBuffer,  // a length word n with fewer than n bytes behind it
  kBlockCutShort,       // n bytes remain behind the length word, but not 4·n
};

struct Reading
{
  Outcome outcome = Outcome::kDecoded;
  size_t field = kFieldCount;   // the failing field, 0 to 9
  size_t field_offset = 0;      // where the failing field's first word begins
  uint32_t length = 0;          // the failing sequence's length word
  size_t consumed = 0;          // bytes of a complete message
  Words words;                  // every field before `field` (all on success)
};

/// Reads `size` bytes as a Features message from position 0.
Reading read_features(const uint8_t * data, size_t size, bool big_endian);

/// The words of `message` as `big_endian` CDR bytes from position 0.
std::vector<uint8_t> encode_words(const Words & message, bool big_endian);

/// Data that a message held before it was decoded into: every sequence
/// non-empty, with values no test vector uses.
const Words & previous_contents();

/// Decodes the bytes with the C type support's callbacks into a fresh record
/// or into one holding previous_contents(), and returns "" when the decoder
/// did what the reading requires, else a description of the first
/// difference. A decoded record must re-encode to exactly the bytes read.
std::string check_c_decoder(const uint8_t * data, size_t size, bool big_endian, bool prefilled);

/// The same for the C++ type support over pelmora::msg::Features.
std::string check_cpp_decoder(const uint8_t * data, size_t size, bool big_endian, bool prefilled);

/// Decodes the bytes with both type supports, without consulting the
/// reading: both must fail, or both succeed with bit-identical messages,
/// read the same number of bytes, and each re-encode to exactly the bytes
/// read.
std::string check_decoders_agree(const uint8_t * data, size_t size, bool big_endian);

}  // namespace pelmora_hostile

#endif  // PELMORA_TESTS__DECODER_CHECKS_HPP_
