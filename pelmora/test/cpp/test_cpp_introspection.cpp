// The C++ introspection type support: the published description, and
// generic code that builds, fills, walks and destroys messages through it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "../c_typesupport/features_members.hpp"
#include "cpp_features_support.hpp"
#include "pelmora/msg/detail/features__rosidl_typesupport_introspection_cpp.hpp"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"

namespace
{

using namespace pelmora_tests;
using rosidl_typesupport_introspection_cpp::MessageMember;
using rosidl_typesupport_introspection_cpp::MessageMembers;
using Init = rosidl_runtime_cpp::MessageInitialization;

const rosidl_message_type_support_t * handle()
{
  return rosidl_typesupport_introspection_cpp__get_message_type_support_handle__pelmora__msg__Features();
}

const MessageMembers & record()
{
  return *static_cast<const MessageMembers *>(handle()->data);
}

// Memory filled with 0xFF holding one message, managed only through the
// record's init and fini functions.
struct GenericMessage
{
  explicit GenericMessage(Init init)
  {
    std::memset(storage, 0xFF, sizeof(storage));
    record().init_function(storage, init);
  }
  ~GenericMessage() {record().fini_function(storage);}
  void * member(size_t index) {return storage + record().members_[index].offset_;}
  uint32_t word_at(size_t offset) const
  {
    uint32_t word;
    std::memcpy(&word, storage + offset, 4);
    return word;
  }

  alignas(Features) uint8_t storage[sizeof(Features)];
};

TEST(CppIntrospection, RecordTableAndHandleDescribeTheMessage)
{
  EXPECT_EQ(handle(), rosidl_typesupport_introspection_cpp::get_message_type_support_handle<Features>());
  EXPECT_EQ(handle()->typesupport_identifier, rosidl_typesupport_introspection_cpp::typesupport_identifier);
  ASSERT_NO_FATAL_FAILURE(expect_features_members(record(), "pelmora::msg"));
  EXPECT_EQ(
    record().members_[5].resize_function,
    &pelmora::msg::rosidl_typesupport_introspection_cpp::resize_function__Features__patternzise);
}

// Fills a message from a shared vector through the table, then encodes it
// again through the table alone, as a generic little-endian CDR writer.
TEST(CppIntrospection, TableWalkEncodesLikeTheCdrTypeSupport)
{
  for (const auto & vector : vectors()) {
    GenericMessage message(Init::SKIP);
    std::memcpy(message.member(0), &vector.keypointnumber, 4);
    std::memcpy(message.member(1), &vector.descriptorsize, 4);
    size_t sequence = 0;
    for (size_t i = 0; i < record().member_count_; ++i) {
      const MessageMember & entry = record().members_[i];
      if (!entry.is_array_) {
        continue;
      }
      const auto & words = vector.sequences[sequence++];
      entry.resize_function(message.member(i), words.size());
      for (size_t k = 0; k < words.size(); ++k) {
        entry.assign_function(message.member(i), k, &words[k]);
      }
    }
    std::vector<uint8_t> walked;
    const auto put = [&walked](uint32_t word) {
        for (int shift = 0; shift < 32; shift += 8) {
          walked.push_back(static_cast<uint8_t>(word >> shift));
        }
      };
    for (size_t i = 0; i < record().member_count_; ++i) {
      const MessageMember & entry = record().members_[i];
      if (!entry.is_array_) {
        put(message.word_at(entry.offset_));
        continue;
      }
      const size_t size = entry.size_function(message.member(i));
      put(static_cast<uint32_t>(size));
      for (size_t k = 0; k < size; ++k) {
        uint32_t word;
        entry.fetch_function(message.member(i), k, &word);
        put(word);
      }
    }
    EXPECT_EQ(walked, vector.little_endian) << vector.name;
    const auto & typed = *reinterpret_cast<const Features *>(message.storage);
    expect_message_matches(typed, vector);
  }
}

TEST(CppIntrospection, InitFunctionWritesCountsOnlyForAllAndZero)
{
  for (Init init : {Init::SKIP, Init::DEFAULTS_ONLY, Init::ALL, Init::ZERO}) {
    GenericMessage message(init);
    const uint32_t counts = init == Init::SKIP || init == Init::DEFAULTS_ONLY ? 0xFFFFFFFFu : 0u;
    EXPECT_EQ(message.word_at(0), counts);
    EXPECT_EQ(message.word_at(4), counts);
    for (size_t i = 2; i < 10; ++i) {
      EXPECT_EQ(record().members_[i].size_function(message.member(i)), 0u);
    }
  }
}

TEST(CppIntrospection, ResizeGrowsWithZerosAndShrinkingKeepsTheHead)
{
  GenericMessage message(Init::ZERO);
  const MessageMember & x = record().members_[7];
  void * member = message.member(7);
  x.resize_function(member, 3);
  for (size_t k = 0; k < 3; ++k) {
    float value = -1.0f;
    x.fetch_function(member, k, &value);
    EXPECT_EQ(bits_of(value), 0u);
  }
  const float first = 4.25f;
  x.assign_function(member, 0, &first);
  const void * storage = x.get_const_function(member, 0);
  x.resize_function(member, 1);
  EXPECT_EQ(x.size_function(member), 1u);
  EXPECT_EQ(x.get_function(member, 0), storage);
  EXPECT_EQ(*static_cast<const float *>(storage), 4.25f);
  x.resize_function(member, 0);
  EXPECT_EQ(x.size_function(member), 0u);
}

TEST(CppIntrospectionDeathTest, IndexAtOrBeyondTheSizeEndsTheProcess)
{
  GenericMessage message(Init::ZERO);
  const MessageMember & descriptor = record().members_[2];
  void * member = message.member(2);
  descriptor.resize_function(member, 2);
  uint32_t value = 0;
  const char * report = "__n < this->size\\(\\)";
  EXPECT_DEATH(descriptor.get_function(member, 2), report);
  EXPECT_DEATH(descriptor.get_const_function(member, 5), report);
  EXPECT_DEATH(descriptor.fetch_function(member, 2, &value), report);
  EXPECT_DEATH(descriptor.assign_function(member, SIZE_MAX, &value), report);
}

}  // namespace
