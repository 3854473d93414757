// The C introspection type support used as generic code uses it: through
// the member table only, never the record's declaration.
#include <gtest/gtest.h>

#include <cstdlib>

#include "c_typesupport_support.hpp"
#include "features_members.hpp"
#include "rosidl_typesupport_introspection_c/field_types.h"

namespace pelmora_tests
{
namespace
{

using Member = rosidl_typesupport_introspection_c__MessageMember;

const Member & member(size_t index)
{
  return introspection_members().members_[index];
}

char * field_of(void * record, const Member & m)
{
  return static_cast<char *>(record) + m.offset_;
}

// A CDR encoder that knows nothing of Features: it walks the member table.
std::vector<uint8_t> walk_encode(const void * record)
{
  const Members & members = introspection_members();
  eprosima::fastcdr::FastBuffer buffer;
  Cdr cdr(buffer, Cdr::LITTLE_ENDIANNESS, Cdr::DDS_CDR);
  for (uint32_t i = 0; i < members.member_count_; ++i) {
    const Member & m = members.members_[i];
    const char * field = static_cast<const char *>(record) + m.offset_;
    if (!m.is_array_) {
      cdr.serialize(*reinterpret_cast<const uint32_t *>(field));
      continue;
    }
    const size_t count = m.size_function(field);
    cdr.serialize(static_cast<uint32_t>(count));
    if (count == 0) {
      continue;
    }
    const void * elements = m.get_const_function(field, 0);
    if (m.type_id_ == rosidl_typesupport_introspection_c__ROS_TYPE_FLOAT) {
      cdr.serializeArray(static_cast<const float *>(elements), count);
    } else {
      cdr.serializeArray(static_cast<const uint32_t *>(elements), count);
    }
  }
  return written_bytes(buffer, cdr);
}

TEST(IntrospectionWalk, MemberTableDescribesTheRecordInOrder)
{
  expect_features_members(introspection_members(), "pelmora__msg");
}

TEST(IntrospectionWalk, GenericEncoderWritesTheSameBytesAsTheCdrTypeSupport)
{
  for (const auto & vector : vectors()) {
    Record record = make_record(vector);
    EXPECT_EQ(walk_encode(record.get()), vector.little_endian) << vector.name;
    EXPECT_EQ(walk_encode(record.get()), encode(record.get())) << vector.name;
  }
}

TEST(IntrospectionWalk, RecordBuiltThroughTheAccessorsEncodesAndFetchesBack)
{
  const Members & members = introspection_members();
  for (const auto & vector : vectors()) {
    void * record = std::malloc(members.size_of_);
    members.init_function(record, ROSIDL_RUNTIME_C_MSG_INIT_ALL);
    *reinterpret_cast<uint32_t *>(field_of(record, member(0))) = vector.keypointnumber;
    *reinterpret_cast<uint32_t *>(field_of(record, member(1))) = vector.descriptorsize;
    for (size_t s = 0; s < 8; ++s) {
      const Member & m = member(s + 2);
      const auto & words = vector.sequences[s];
      ASSERT_TRUE(m.resize_function(field_of(record, m), words.size()));
      for (size_t i = 0; i < words.size(); ++i) {
        m.assign_function(field_of(record, m), i, &words[i]);
      }
    }
    EXPECT_EQ(encode(record), vector.little_endian) << vector.name;
    for (size_t s = 0; s < 8; ++s) {
      const Member & m = member(s + 2);
      const auto & words = vector.sequences[s];
      ASSERT_EQ(m.size_function(field_of(record, m)), words.size());
      for (size_t i = 0; i < words.size(); ++i) {
        uint32_t fetched = ~words[i];
        m.fetch_function(field_of(record, m), i, &fetched);
        EXPECT_EQ(fetched, words[i]) << vector.name << " " << m.name_ << "[" << i << "]";
      }
    }
    members.fini_function(record);
    std::free(record);
  }
}

TEST(IntrospectionWalk, InitKeepsTheScalarsAndEmptiesEverySequenceForEveryKind)
{
  const Members & members = introspection_members();
  for (auto kind : {ROSIDL_RUNTIME_C_MSG_INIT_ALL, ROSIDL_RUNTIME_C_MSG_INIT_SKIP,
      ROSIDL_RUNTIME_C_MSG_INIT_ZERO, ROSIDL_RUNTIME_C_MSG_INIT_DEFAULTS_ONLY})
  {
    std::vector<unsigned char> memory(members.size_of_, 0xa5);
    members.init_function(memory.data(), kind);
    EXPECT_EQ(*reinterpret_cast<uint32_t *>(field_of(memory.data(), member(0))), 0xa5a5a5a5u);
    EXPECT_EQ(*reinterpret_cast<uint32_t *>(field_of(memory.data(), member(1))), 0xa5a5a5a5u);
    for (size_t i = 2; i < 10; ++i) {
      EXPECT_EQ(member(i).size_function(field_of(memory.data(), member(i))), 0u);
    }
    members.fini_function(memory.data());  // nothing to release
  }
}

TEST(IntrospectionWalk, ResizeGivesExactlyTheRequestedCount)
{
  Record record = empty_record();
  const Member & x = member(7);
  void * field = field_of(record.get(), x);
  ASSERT_TRUE(x.resize_function(field, 3));
  const float value = 1.5f;
  x.assign_function(field, 1, &value);
  float fetched = 0;
  x.fetch_function(field, 1, &fetched);
  EXPECT_EQ(fetched, 1.5f);
  ASSERT_TRUE(x.resize_function(field, 3));
  EXPECT_EQ(record->x.size, 3u);
  EXPECT_EQ(record->x.capacity, 3u);
  ASSERT_TRUE(x.resize_function(field, 0));
  EXPECT_EQ(x.size_function(field), 0u);
}

TEST(IntrospectionWalkDeathTest, FetchOrAssignPastTheEndStopsTheProgram)
{
  Record record = make_record(vector_named("worked_example_48"));
  const Member & descriptor = member(2);
  void * field = field_of(record.get(), descriptor);
  uint32_t value = 0;
  EXPECT_DEATH(descriptor.fetch_function(field, 1, &value), "index");
  EXPECT_DEATH(descriptor.assign_function(field, 1, &value), "index");
}

}  // namespace
}  // namespace pelmora_tests
