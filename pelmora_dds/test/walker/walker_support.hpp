// Codecs obtained as a middleware obtains them: from the dispatchers'
// handles, asking for the introspection type supports; and the bytes of the
// C CDR type support, reached the same way, to hold them to.
#ifndef PELMORA_TESTS__WALKER_SUPPORT_HPP_
#define PELMORA_TESTS__WALKER_SUPPORT_HPP_

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "c_record.hpp"
#include "cpp_message.hpp"
#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "features_vectors.hpp"
#include "pelmora/msg/features.h"
#include "pelmora/msg/features.hpp"
#include "pelmora_cdr_walker/walker.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

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

/// The little-endian CDR body that the C type support writes for `message`.
inline std::vector<uint8_t> encode(const pelmora__msg__Features * message)
{
  const rosidl_message_type_support_t * dispatcher =
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
  const auto & callbacks = *static_cast<const message_type_support_callbacks_t *>(
    dispatcher->func(dispatcher, "rosidl_typesupport_fastrtps_c")->data);
  eprosima::fastcdr::FastBuffer buffer;
  eprosima::fastcdr::Cdr cdr(
    buffer, eprosima::fastcdr::Cdr::LITTLE_ENDIANNESS, eprosima::fastcdr::Cdr::DDS_CDR);
  if (!callbacks.cdr_serialize(message, cdr)) {
    throw std::runtime_error("the C type support refused the message");
  }
  const auto * begin = reinterpret_cast<const uint8_t *>(buffer.getBuffer());
  return {begin, begin + cdr.getSerializedDataLength()};
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

/// The vector's bytes in `order` behind the matching encapsulation header.
inline std::vector<uint8_t> vector_sample(
  const FeaturesVector & vector, ByteOrder order = ByteOrder::little)
{
  return with_header(order == ByteOrder::little ? vector.little_endian : vector.big_endian, order);
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__WALKER_SUPPORT_HPP_
