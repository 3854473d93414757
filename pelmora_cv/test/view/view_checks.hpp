// Holds pelmora_cv::view() to pelmora's C decoder for any bytes at all: the
// C CDR type support decodes the payload's body, and what it made of it
// says what view() must do. The same check serves the table of cases and
// the fuzz harness.
#ifndef PELMORA_CV_TEST__VIEW_CHECKS_HPP_
#define PELMORA_CV_TEST__VIEW_CHECKS_HPP_

#include <cstddef>
#include <cstdint>
#include <string>

#include "features_words.hpp"

namespace pelmora_cv_test
{

/// What the C decoder made of a CDR body.
struct Decoded
{
  bool accepted = false;
  pelmora_tests::FeaturesWords words;  // when accepted
};

/// Decodes `size` bytes of CDR body with the C type support's callbacks,
/// from a copy of exactly that size, into a fresh record.
Decoded c_decode(const uint8_t * body, size_t size, bool big_endian);

/// Calls view() on the `size` bytes at `payload` (aligned to 4 bytes):
/// returns "" when it did what the C decoder requires, else what went
/// wrong. view() must refuse what the decoder refuses (a header it cannot
/// read in place included), refuse, as from_message() refuses the decoded
/// message, counts that disagree, and otherwise give the decoded fields with
/// spans into the payload and a descriptor Mat on them.
std::string check_view(const uint8_t * payload, size_t size);

}  // namespace pelmora_cv_test

#endif  // PELMORA_CV_TEST__VIEW_CHECKS_HPP_
