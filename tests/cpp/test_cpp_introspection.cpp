// The C++ introspection type support: the published description, and
// generic code that builds, fills, walks and destroys messages through it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "cpp_features_support.hpp"
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_cpp.hpp"
#include "pelmora/msg/detail/features__rosidl_typesupport_introspection_cpp.hpp"
#include "rosidl_typesupport_introspection_cpp/field_types.hpp"
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

// Raw, aligned memory for one message, filled with 0xFF, managed only
// through the record's init and fini functions.
struct GenericMessage
{
  explicit GenericMessage(Init init)
  {
    std::memset(storage, 0xFF, sizeof(storage));
    record().init_function(storage, init);
  }
  ~GenericMessage()
  {
    record().fini_function(storage);
  }
  uint8_t * member(const MessageMember & entry)
  {
    return storage + entry.offset_;
  }
  const Features & typed() const
  {
    return *reinterpret_cast<const Features *>(storage);
  }

  alignas(Features) uint8_t storage[sizeof(Features)];
};

TEST(CppIntrospection, RecordAndHandleDescribeTheMessage)
{
  ASSERT_NE(handle(), nullptr);
  EXPECT_EQ(handle(), rosidl_typesupport_introspection_cpp::get_message_type_support_handle<Features>());
  EXPECT_EQ(handle()->typesupport_identifier, rosidl_typesupport_introspection_cpp::typesupport_identifier);
  EXPECT_EQ(get_message_typesupport_handle(handle(), "rosidl_typesupport_introspection_cpp"), handle());
  EXPECT_STREQ(record().message_namespace_, "pelmora::msg");
  EXPECT_STREQ(record().message_name_, "Features");
  EXPECT_EQ(record().member_count_, 10u);
  EXPECT_EQ(record().size_of_, 200u);
  EXPECT_EQ(record().size_of_, sizeof(Features));
  EXPECT_EQ(record().init_function, &pelmora::msg::rosidl_typesupport_introspection_cpp::Features_init_function);
  EXPECT_EQ(record().fini_function, &pelmora::msg::rosidl_typesupport_introspection_cpp::Features_fini_function);
}

TEST(CppIntrospection, MemberTableListsTheTenMembersInOrder)
{
  struct Expected
  {
    const char * name;
    uint8_t type_id;
    bool is_array;
    uint32_t offset;
  };
  const Expected expected[10] = {
    {"keypointnumber", 12, false, 0},
    {"descriptorsize", 12, false, 4},
    {"descriptor", 12, true, 8},
    {"uniqueid", 12, true, 32},
    {"isrightimage", 12, true, 56},
    {"patternzise", 12, true, 80},
    {"confidence", 12, true, 104},
    {"x", 1, true, 128},
    {"y", 1, true, 152},
    {"angle", 1, true, 176},
  };
  EXPECT_EQ(rosidl_typesupport_introspection_cpp::ROS_TYPE_UINT32, 12);
  EXPECT_EQ(rosidl_typesupport_introspection_cpp::ROS_TYPE_FLOAT, 1);
  for (size_t i = 0; i < 10; ++i) {
    const MessageMember & entry = record().members_[i];
    SCOPED_TRACE(expected[i].name);
    EXPECT_STREQ(entry.name_, expected[i].name);
    EXPECT_EQ(entry.type_id_, expected[i].type_id);
    EXPECT_EQ(entry.is_array_, expected[i].is_array);
    EXPECT_EQ(entry.offset_, expected[i].offset);
    EXPECT_EQ(entry.string_upper_bound_, 0u);
    EXPECT_EQ(entry.members_, nullptr);
    EXPECT_EQ(entry.array_size_, 0u);
    EXPECT_FALSE(entry.is_upper_bound_);
    EXPECT_EQ(entry.default_value_, nullptr);
    const bool slots[6] = {
      entry.size_function != nullptr, entry.get_const_function != nullptr,
      entry.get_function != nullptr, entry.fetch_function != nullptr,
      entry.assign_function != nullptr, entry.resize_function != nullptr};
    for (bool filled : slots) {
      EXPECT_EQ(filled, expected[i].is_array);
    }
  }
  namespace accessors = pelmora::msg::rosidl_typesupport_introspection_cpp;
  EXPECT_EQ(record().members_[5].resize_function, &accessors::resize_function__Features__patternzise);
  EXPECT_EQ(record().members_[9].fetch_function, &accessors::fetch_function__Features__angle);
}

// Fills a message from a shared vector with nothing but the table.
void fill_through_table(GenericMessage & message, const FeaturesVector & vector)
{
  std::memcpy(message.member(record().members_[0]), &vector.keypointnumber, 4);
  std::memcpy(message.member(record().members_[1]), &vector.descriptorsize, 4);
  for (size_t i = 0; i < 8; ++i) {
    const MessageMember & entry = record().members_[2 + i];
    const auto & values = vector.sequences[i];
    entry.resize_function(message.member(entry), values.size());
    for (size_t k = 0; k < values.size(); ++k) {
      entry.assign_function(message.member(entry), k, &values[k]);
    }
  }
}

// A little-endian CDR encoder that knows the message only through the table.
std::vector<uint8_t> encode_through_table(GenericMessage & message)
{
  std::vector<uint8_t> bytes;
  const auto put = [&bytes](uint32_t word) {
      for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<uint8_t>(word >> shift));
      }
    };
  for (uint32_t i = 0; i < record().member_count_; ++i) {
    const MessageMember & entry = record().members_[i];
    uint32_t word;
    if (!entry.is_array_) {
      std::memcpy(&word, message.member(entry), 4);
      put(word);
      continue;
    }
    const size_t size = entry.size_function(message.member(entry));
    put(static_cast<uint32_t>(size));
    for (size_t k = 0; k < size; ++k) {
      entry.fetch_function(message.member(entry), k, &word);
      put(word);
    }
  }
  return bytes;
}

TEST(CppIntrospection, TableWalkEncodesLikeTheCdrTypeSupport)
{
  for (const auto & vector : shared_vectors()) {
    GenericMessage message(Init::ALL);
    fill_through_table(message, vector);
    expect_message_matches(message.typed(), vector);
    EXPECT_EQ(encode_through_table(message), vector.little_endian) << vector.name;
    EXPECT_EQ(
      encode_with(
        pelmora::msg::typesupport_fastrtps_cpp::cdr_serialize, message.typed(),
        vector.little_endian.size(), kLittle),
      vector.little_endian) << vector.name;
  }
}

TEST(CppIntrospection, InitFunctionFollowsTheInitialisationValue)
{
  for (Init init : {Init::SKIP, Init::DEFAULTS_ONLY, Init::ALL, Init::ZERO}) {
    GenericMessage message(init);
    const bool keeps = init == Init::SKIP || init == Init::DEFAULTS_ONLY;
    uint32_t counts[2];
    std::memcpy(counts, message.storage, sizeof(counts));
    EXPECT_EQ(counts[0], keeps ? 0xFFFFFFFFu : 0u);
    EXPECT_EQ(counts[1], keeps ? 0xFFFFFFFFu : 0u);
    for (size_t i = 2; i < 10; ++i) {
      const MessageMember & entry = record().members_[i];
      EXPECT_EQ(entry.size_function(message.member(entry)), 0u) << entry.name_;
    }
  }
}

TEST(CppIntrospection, ResizeGrowsWithZerosAndShrinkingKeepsTheHead)
{
  GenericMessage message(Init::ZERO);
  const MessageMember & x = record().members_[7];
  void * member = message.member(x);
  x.resize_function(member, 3);
  ASSERT_EQ(x.size_function(member), 3u);
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
  EXPECT_EQ(x.get_const_function(member, 0), storage);
  EXPECT_EQ(*static_cast<const float *>(x.get_function(member, 0)), 4.25f);
  x.resize_function(member, 0);
  EXPECT_EQ(x.size_function(member), 0u);

  const MessageMember & confidence = record().members_[6];
  confidence.resize_function(message.member(confidence), 2);
  EXPECT_EQ(message.typed().confidence, (std::vector<uint32_t>{0, 0}));
}

TEST(CppIntrospection, AssignAndFetchKeepEveryBitPattern)
{
  GenericMessage message(Init::ZERO);
  // A signalling NaN, a negative zero and the largest uint32.
  const uint32_t patterns[] = {0x7FA00001u, 0x80000000u, 0xFFFFFFFFu, 1u};
  for (size_t i = 2; i < 10; ++i) {
    const MessageMember & entry = record().members_[i];
    void * member = message.member(entry);
    entry.resize_function(member, 4);
    for (size_t k = 0; k < 4; ++k) {
      entry.assign_function(member, k, &patterns[k]);
    }
    for (size_t k = 0; k < 4; ++k) {
      uint32_t fetched = 0;
      entry.fetch_function(member, k, &fetched);
      EXPECT_EQ(fetched, patterns[k]) << entry.name_ << "[" << k << "]";
    }
  }
}

TEST(CppIntrospectionDeathTest, IndexAtOrBeyondTheSizeEndsTheProcess)
{
  GenericMessage message(Init::ZERO);
  const MessageMember & descriptor = record().members_[2];
  void * member = message.member(descriptor);
  descriptor.resize_function(member, 2);
  uint32_t value = 0;
  const char * report = "__n < this->size\\(\\)";
  EXPECT_DEATH(descriptor.get_function(member, 2), report);
  EXPECT_DEATH(descriptor.get_const_function(member, 5), report);
  EXPECT_DEATH(descriptor.fetch_function(member, 2, &value), report);
  EXPECT_DEATH(descriptor.assign_function(member, SIZE_MAX, &value), report);
  EXPECT_EQ(descriptor.size_function(member), 2u);
}

}  // namespace
