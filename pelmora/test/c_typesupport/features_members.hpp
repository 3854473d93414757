// The member table that both introspection type supports, C and C++, must
// publish for Features. Spelled out here, not taken from the field list the
// tables are built from.
#ifndef PELMORA_TESTS__FEATURES_MEMBERS_HPP_
#define PELMORA_TESTS__FEATURES_MEMBERS_HPP_

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

namespace pelmora_tests
{

struct ExpectedMember
{
  const char * name;
  uint8_t type_id;  // the introspection field type, the same number in C and C++
  uint32_t offset;
};

// The layout of the message on a 64-bit target: two words, then eight
// sequences of three words each. Type 12 is uint32, type 1 float32.
static_assert(sizeof(void *) == 8, "offsets below are those of a 64-bit target");
constexpr size_t kMemberCount = 10;
constexpr ExpectedMember kFeaturesMembers[kMemberCount] = {
  {"keypointnumber", 12, 0}, {"descriptorsize", 12, 4}, {"descriptor", 12, 8},
  {"uniqueid", 12, 32}, {"isrightimage", 12, 56}, {"patternzise", 12, 80},
  {"confidence", 12, 104}, {"x", 1, 128}, {"y", 1, 152}, {"angle", 1, 176}};

/// Holds a MessageMembers record of either language to the table above:
/// two scalars, then eight unbounded sequences that have every accessor.
template<typename Members>
void expect_features_members(const Members & members, const char * message_namespace)
{
  EXPECT_STREQ(members.message_namespace_, message_namespace);
  EXPECT_STREQ(members.message_name_, "Features");
  ASSERT_EQ(members.member_count_, kMemberCount);
  EXPECT_EQ(members.size_of_, 200u);
  for (size_t i = 0; i < kMemberCount; ++i) {
    const auto & member = members.members_[i];
    const bool sequence = i >= 2;
    SCOPED_TRACE(kFeaturesMembers[i].name);
    EXPECT_STREQ(member.name_, kFeaturesMembers[i].name);
    EXPECT_EQ(member.type_id_, kFeaturesMembers[i].type_id);
    EXPECT_EQ(member.offset_, kFeaturesMembers[i].offset);
    EXPECT_EQ(member.is_array_, sequence);
    EXPECT_EQ(member.string_upper_bound_ + member.array_size_, 0u);
    EXPECT_FALSE(member.is_upper_bound_);
    EXPECT_EQ(member.members_, nullptr);
    EXPECT_EQ(member.default_value_, nullptr);
    for (bool present : {!!member.size_function, !!member.get_const_function,
        !!member.get_function, !!member.fetch_function, !!member.assign_function,
        !!member.resize_function})
    {
      EXPECT_EQ(present, sequence);
    }
  }
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__FEATURES_MEMBERS_HPP_
