// Says why a Features payload is malformed, from its bytes alone: the reader
// calls it when the type support has refused a sample, so that the line it
// prints names the field and the numbers, whichever language or middleware
// decoded. It allocates nothing sized by the payload's length words.
#ifndef PELMORA_DDS__PAYLOAD_CHECK_HPP_
#define PELMORA_DDS__PAYLOAD_CHECK_HPP_

#include <cstddef>
#include <cstdint>
#include <string>

namespace pelmora_dds
{

struct PayloadCheck
{
  /// The payload holds a whole message in plain CDR. Bytes behind it are
  /// allowed: decoders stop at the end of the last member.
  bool well_formed = false;
  /// Why it is not (empty when it is), e.g.
  /// "descriptor length 4294967295 exceeds the 72 bytes left".
  std::string reason;
};

/// Reads `size` bytes of a DDS payload (encapsulation header, then the CDR
/// body) as a Features message, by the decoders' rules.
PayloadCheck check_payload(const uint8_t * data, size_t size);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__PAYLOAD_CHECK_HPP_
