// Codecs obtained as a middleware obtains them: from the dispatchers'
// handles, asking for the introspection type supports.
#ifndef PELMORA_TESTS__WALKER_SUPPORT_HPP_
#define PELMORA_TESTS__WALKER_SUPPORT_HPP_

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "features_vectors.hpp"
#include "pelmora/msg/features.h"
#include "pelmora/msg/features.hpp"
#include "pelmora_cdr_walker/walker.hpp"

namespace pelmora_tests
{

using pelmora_cdr_walker::ByteOrder;
using pelmora_cdr_walker::Codec;

inline const Codec & c_codec()
{
  static const std::unique_ptr<Codec> codec = pelmora_cdr_walker::make_codec_from_dispatcher(
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(), true, nullptr);
  return *codec;
}

inline const Codec & cpp_codec()
{
  static const std::unique_ptr<Codec> codec = pelmora_cdr_walker::make_codec_from_dispatcher(
    rosidl_typesupport_cpp::get_message_type_support_handle<pelmora::msg::Features>(), false,
    nullptr);
  return *codec;
}

/// The whole sample of `message`; empty when the codec refuses it.
inline std::vector<uint8_t> sample_of(
  const Codec & codec, const void * message, ByteOrder order = ByteOrder::little)
{
  std::vector<uint8_t> bytes(codec.serialized_size(message));
  size_t written = 0;
  std::string error;
  if (!codec.encode(message, bytes.data(), bytes.size(), order, &written, &error) ||
    written != bytes.size())
  {
    return {};
  }
  return bytes;
}

/// `body` behind the encapsulation header of `order`.
inline std::vector<uint8_t> with_header(const std::vector<uint8_t> & body, ByteOrder order)
{
  std::vector<uint8_t> sample(4 + body.size(), 0);
  sample[1] = order == ByteOrder::little ? 1 : 0;
  if (!body.empty()) {
    std::memcpy(sample.data() + 4, body.data(), body.size());
  }
  return sample;
}

/// The eight sequences of a C++ message in wire order, as bit patterns.
inline std::array<std::vector<uint32_t>, 8> words_of(const pelmora::msg::Features & m)
{
  std::array<std::vector<uint32_t>, 8> words;
  auto put = [](std::vector<uint32_t> & out, const auto & sequence) {
      out.resize(sequence.size());
      if (!sequence.empty()) {
        std::memcpy(out.data(), sequence.data(), 4 * sequence.size());
      }
    };
  put(words[0], m.descriptor);
  put(words[1], m.uniqueid);
  put(words[2], m.isrightimage);
  put(words[3], m.patternzise);
  put(words[4], m.confidence);
  put(words[5], m.x);
  put(words[6], m.y);
  put(words[7], m.angle);
  return words;
}

/// The C++ message a vector describes.
inline pelmora::msg::Features cpp_message_of(const FeaturesVector & vector)
{
  pelmora::msg::Features m;
  m.keypointnumber = vector.keypointnumber;
  m.descriptorsize = vector.descriptorsize;
  auto take = [&](auto & sequence, size_t index) {
      sequence.resize(vector.sequences[index].size());
      if (!sequence.empty()) {
        std::memcpy(sequence.data(), vector.sequences[index].data(), 4 * sequence.size());
      }
    };
  take(m.descriptor, 0);
  take(m.uniqueid, 1);
  take(m.isrightimage, 2);
  take(m.patternzise, 3);
  take(m.confidence, 4);
  take(m.x, 5);
  take(m.y, 6);
  take(m.angle, 7);
  return m;
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__WALKER_SUPPORT_HPP_
