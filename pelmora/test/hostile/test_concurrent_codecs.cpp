// The CDR type supports keep no state after load: threads that each encode,
// decode and size their own messages with their own Cdr objects, all at
// once, get exactly the results one thread alone would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "concurrency_support.hpp"
#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "fastcdr/exceptions/Exception.h"
#include "c_record.hpp"
#include "cpp_message.hpp"
#include "features_vectors.hpp"
#include "pelmora/msg/features.h"
#include "pelmora/msg/features.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace pelmora_hostile
{
namespace
{

using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;
using pelmora_tests::empty_record;
using pelmora_tests::FeaturesVector;
using pelmora_tests::Record;
using pelmora_tests::words_of;

constexpr int kRounds = 3;

const message_type_support_callbacks_t * callbacks_of(
  const rosidl_message_type_support_t * dispatcher, const char * identifier)
{
  const rosidl_message_type_support_t * handle = dispatcher->func(dispatcher, identifier);
  return handle ? static_cast<const message_type_support_callbacks_t *>(handle->data) : nullptr;
}

// Decodes the vector's bytes into `message`, checks the contents, encodes the
// message again and checks the bytes. Returns what went wrong, or "".
template<typename Check>
std::string round_trip(
  const message_type_support_callbacks_t & callbacks, void * message, const FeaturesVector & vector,
  bool big_endian, Check contents_match)
{
  const auto & bytes = big_endian ? vector.big_endian : vector.little_endian;
  const Cdr::Endianness order = big_endian ? Cdr::BIG_ENDIANNESS : Cdr::LITTLE_ENDIANNESS;
  try {
    std::vector<char> input(bytes.begin(), bytes.end());
    FastBuffer in_buffer(input.data(), input.size());
    Cdr decoder(in_buffer, order, Cdr::DDS_CDR);
    if (!callbacks.cdr_deserialize(decoder, message) || !contents_match()) {
      return "decoding " + vector.name + " went wrong";
    }
    std::vector<char> output(callbacks.get_serialized_size(message));
    FastBuffer out_buffer(output.data(), output.size());
    Cdr encoder(out_buffer, order, Cdr::DDS_CDR);
    if (!callbacks.cdr_serialize(message, encoder) ||
      encoder.getSerializedDataLength() != bytes.size() ||
      std::memcmp(output.data(), bytes.data(), bytes.size()) != 0)
    {
      return "encoding " + vector.name + " went wrong";
    }
  } catch (const eprosima::fastcdr::exception::Exception & error) {
    return vector.name + ": " + error.what();
  }
  return "";
}

TEST(ConcurrentCodecs, ThreadsEncodeAndDecodeTheirOwnMessagesAtOnce)
{
  const auto * c_callbacks = callbacks_of(
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(),
    "rosidl_typesupport_fastrtps_c");
  const auto * cpp_callbacks = callbacks_of(
    rosidl_typesupport_cpp__get_message_type_support_handle__pelmora__msg__Features(),
    "rosidl_typesupport_fastrtps_cpp");
  ASSERT_NE(c_callbacks, nullptr);
  ASSERT_NE(cpp_callbacks, nullptr);
  const auto & vectors = pelmora_tests::vectors();

  const auto complaints = race([&](int thread) -> std::string {
      // One record and one message per thread, reused for every vector, so
      // that each decode also replaces what the previous one left.
      Record record = empty_record();
      pelmora::msg::Features message;
      for (int round = 0; round < kRounds; ++round) {
        for (size_t i = 0; i < vectors.size(); ++i) {
          // Each thread starts elsewhere in the list, in its own byte order.
          const FeaturesVector & vector = vectors[(i + 7 * thread) % vectors.size()];
          const bool big_endian = (thread + round) % 2 == 1;
          std::string problem = round_trip(*c_callbacks, record.get(), vector, big_endian,
          [&] {return words_of(*record) == vector;});
          if (problem.empty()) {
            problem = round_trip(*cpp_callbacks, &message, vector, big_endian,
            [&] {return words_of(message) == vector;});
          }
          if (!problem.empty()) {
            return problem;
          }
        }
      }
      return "";
    });
  EXPECT_EQ(joined(complaints), "");
}

// Lifecycle functions of the C record on distinct records at once.
TEST(ConcurrentCodecs, ThreadsCopyAndCompareTheirOwnRecordsAtOnce)
{
  const auto & vectors = pelmora_tests::vectors();
  const auto * c_callbacks = callbacks_of(
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(),
    "rosidl_typesupport_fastrtps_c");
  ASSERT_NE(c_callbacks, nullptr);

  const auto complaints = race([&](int thread) -> std::string {
      for (size_t i = 0; i < vectors.size(); ++i) {
        const FeaturesVector & vector = vectors[(i + 5 * thread) % vectors.size()];
        Record source = empty_record();
        Record copy = empty_record();
        std::string problem = round_trip(*c_callbacks, source.get(), vector, false,
        [&] {return words_of(*source) == vector;});
        if (!problem.empty()) {
          return problem;
        }
        if (!pelmora__msg__Features__copy(source.get(), copy.get()) || !(words_of(*copy) == vector)) {
          return "copying " + vector.name + " went wrong";
        }
      }
      return "";
    });
  EXPECT_EQ(joined(complaints), "");
}

}  // namespace
}  // namespace pelmora_hostile
