#include "payloads.hpp"

#include <cstring>
#include <stdexcept>

#include "features_content.hpp"
#include "features_vectors.hpp"

namespace pelmora_standin
{

namespace
{

constexpr size_t kHeader = 4;

void put_word(Bytes & out, uint32_t word)
{
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<uint8_t>(word >> shift));
  }
}

uint32_t get_word(const Bytes & in, size_t at)
{
  uint32_t word = 0;
  for (int b = 3; b >= 0; --b) {
    word = (word << 8) | in[at + static_cast<size_t>(b)];
  }
  return word;
}

}  // namespace

Bytes features_payload(uint32_t seed, uint32_t index, uint32_t keypoints)
{
  Bytes out = {0x00, 0x01, 0x00, 0x00};  // CDR, little-endian
  out.reserve(kHeader + pelmora_dds::encoded_size(keypoints));
  put_word(out, keypoints);
  put_word(out, pelmora_dds::kDescriptorBytes);
  for (uint32_t f = 0; f < 8; ++f) {
    const size_t n = pelmora_dds::sequence_length(f, keypoints);
    put_word(out, static_cast<uint32_t>(n));
    for (uint32_t word : pelmora_dds::sequence_words(n, seed, index, f)) {
      put_word(out, word);
    }
  }
  return out;
}

std::string check_features_payload(const Bytes & payload, uint32_t seed)
{
  if (payload.size() < kHeader + 8) {
    return "payload of " + std::to_string(payload.size()) + " bytes is too short";
  }
  if (payload[0] != 0x00 || payload[1] != 0x01) {
    return "payload is not little-endian plain CDR";
  }
  const uint32_t keypoints = get_word(payload, kHeader);
  if (keypoints > pelmora_dds::kMaxKeypoints) {
    return "keypointnumber " + std::to_string(keypoints) + " is not a generated shape";
  }
  uint32_t index = 0;
  payload_index(payload, &index);
  const Bytes expected = features_payload(seed, index, keypoints);
  if (payload.size() != expected.size()) {
    return "payload of sample " + std::to_string(index) + " holds " + std::to_string(payload.size()) +
           " bytes, expected " + std::to_string(expected.size());
  }
  // The two option bytes of the header are the sender's; the rest must match.
  if (std::memcmp(payload.data() + kHeader, expected.data() + kHeader, payload.size() - kHeader) != 0) {
    return "payload of sample " + std::to_string(index) + " differs from seed " + std::to_string(seed);
  }
  return std::string();
}

bool payload_index(const Bytes & payload, uint32_t * index)
{
  if (payload.size() < kHeader + 4) {
    return false;
  }
  // keypointnumber, descriptorsize, the descriptor's length word and its
  // words, then uniqueid's length word and first id.
  const uint64_t keypoints = get_word(payload, kHeader);
  const uint64_t first_id = kHeader + 16 + 4 * pelmora_dds::kDescriptorWordsPerKeypoint * keypoints;
  if (keypoints == 0 || payload.size() < first_id + 4) {
    return false;
  }
  *index = get_word(payload, static_cast<size_t>(first_id));
  return true;
}

Bytes lying_length_payload(uint32_t seed, uint32_t index, uint32_t keypoints)
{
  Bytes out = features_payload(seed, index, keypoints);
  const size_t descriptor_length = kHeader + 8;
  std::memset(out.data() + descriptor_length, 0xff, 4);
  return out;
}

std::vector<Bytes> payloads_from_file(const std::string & path, std::string * error)
{
  std::vector<Bytes> payloads;
  try {
    pelmora_tests::read_keyed_lines(path,
      [&payloads](const std::string & key, const std::string & rest, const std::string &) {
        if (key == "hex") {
          payloads.push_back(pelmora_tests::parse_hex(rest));
        }
      });
  } catch (const std::runtime_error &) {  // the file cannot be opened
    *error = "cannot read " + path;
    return {};
  }
  if (payloads.empty()) {
    *error = path + " holds no payload";
  }
  return payloads;
}

const std::vector<PayloadKind> & payload_kinds()
{
  static const std::vector<PayloadKind> kinds = {
    {"features", "the generated sample, as pelmora-dds pub sends it", features_payload},
    {"lying-length", "the generated sample with a descriptor length of 0xFFFFFFFF",
      lying_length_payload},
  };
  return kinds;
}

const PayloadKind * find_payload_kind(const std::string & name)
{
  for (const PayloadKind & kind : payload_kinds()) {
    if (name == kind.name) {
      return &kind;
    }
  }
  return nullptr;
}

}  // namespace pelmora_standin
