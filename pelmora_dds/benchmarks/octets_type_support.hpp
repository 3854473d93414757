// The baseline of the Fast-DDS benchmark: a message holding one octet
// sequence, in a C form and a C++ form, each with a Fast-CDR type support
// that moves the octets as one block -- the cheapest message of a given byte
// count that a middleware can carry.
//
// The C form stores its octets as rosidl_runtime_c does for any C message
// and is decoded the way the C Features decoder works (storage released and
// made anew); the C++ form holds a std::vector resized in place, as the C++
// Features decoder does.
#ifndef PELMORA_BENCHMARKS__OCTETS_TYPE_SUPPORT_HPP_
#define PELMORA_BENCHMARKS__OCTETS_TYPE_SUPPORT_HPP_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_c/primitives_sequence.h"

namespace pelmora_bench
{

/// Encoded bytes of an octet message holding `octets` octets: a length word
/// and the octets.
constexpr size_t octets_encoded_bytes(size_t octets) {return 4 + octets;}

struct OctetsC
{
  rosidl_runtime_c__octet__Sequence data;
};

struct OctetsCpp
{
  std::vector<uint8_t> data;
};

/// Fast-CDR handles ("rosidl_typesupport_fastrtps_c" and
/// "rosidl_typesupport_fastrtps_cpp" identifiers) over the two forms.
const rosidl_message_type_support_t * octets_c_type_support();
const rosidl_message_type_support_t * octets_cpp_type_support();

/// Lifecycle of the C form; the octets hold `size` distinct values.
OctetsC * octets_c_create(size_t size);
void octets_c_destroy(OctetsC * message);

}  // namespace pelmora_bench

#endif  // PELMORA_BENCHMARKS__OCTETS_TYPE_SUPPORT_HPP_
