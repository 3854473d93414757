// Payloads the ROS-node stand-in publishes: whole serialized samples, the
// encapsulation header included, made without any of the package's type
// supports. Each kind is one entry of payload_kinds(); a test that needs
// other bytes on the wire (malformed ones, say) adds a kind there.
#ifndef PELMORA_TESTS__STANDIN__PAYLOADS_HPP_
#define PELMORA_TESTS__STANDIN__PAYLOADS_HPP_

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora_standin
{

using Bytes = std::vector<uint8_t>;

struct PayloadKind
{
  const char * name;
  const char * description;
  /// The payload of sample `index` with `keypoints` keypoints of `seed`.
  Bytes (*make)(uint32_t seed, uint32_t index, uint32_t keypoints);
};

const std::vector<PayloadKind> & payload_kinds();
const PayloadKind * find_payload_kind(const std::string & name);

/// Little-endian CDR of the generated Features sample (seed, index,
/// keypoints) behind the header 00 01 00 00, written word by word here: ten
/// fields, each sequence a length word and its elements.
Bytes features_payload(uint32_t seed, uint32_t index, uint32_t keypoints);

/// The generated sample whose `descriptor` length word claims 0xFFFFFFFF
/// elements: a reader that trusted it would ask for 16 GiB.
Bytes lying_length_payload(uint32_t seed, uint32_t index, uint32_t keypoints);

/// The payloads of a file in the format of pelmora_testing's hostile_payloads.txt
/// ("hex" lines), in order. Empty with `error` set when it cannot be read.
std::vector<Bytes> payloads_from_file(const std::string & path, std::string * error);

/// Checks a received payload against the generated sample it claims to be
/// (index and keypoints read from its first words). Returns an empty string
/// when every byte matches, else what differs first.
std::string check_features_payload(const Bytes & payload, uint32_t seed);

/// The index a generated payload carries in its first keypoint id; false
/// when it has no keypoints (or is too short to hold one).
bool payload_index(const Bytes & payload, uint32_t * index);

}  // namespace pelmora_standin

#endif  // PELMORA_TESTS__STANDIN__PAYLOADS_HPP_
