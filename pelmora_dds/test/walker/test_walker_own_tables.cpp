// The walker over member tables of the tests' own. Expected bytes are laid
// out by hand from the CDR rules (offsets in the comments), not by any
// encoder.
#include <gtest/gtest.h>

#include <cstring>

#include "features_vectors.hpp"
#include "own_tables.hpp"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"
#include "walker_support.hpp"

namespace pelmora_tests
{
namespace
{

std::unique_ptr<Codec> codec_for(const rosidl_message_type_support_t * handle)
{
  std::string error;
  auto codec = pelmora_cdr_walker::make_codec(handle, &error);
  EXPECT_NE(codec, nullptr) << error;
  return codec;
}

// Own{a = 1.5, b = -2, c = [1, 2, 3]}: a at 0, b at 8, two pad bytes,
// length word at 12, elements at 16; 19 body bytes.
const std::vector<uint8_t> kOwnLittle = parse_hex(
  "000000000000f83f" "feff" "0000" "03000000" "010203");
const std::vector<uint8_t> kOwnBig = parse_hex(
  "3ff8000000000000" "fffe" "0000" "00000003" "010203");

// Outer{tag 7, label "hi", pair [Own above, Own{0, 1, []}], bounded [5]}.
const std::vector<uint8_t> kOuterLittle = parse_hex(
  "07" "000000" "03000000" "686900"        // tag; label at 4: length 3, "hi\0"
  "0000000000"                             // pad to 16
  "000000000000f83f" "feff" "0000" "03000000" "010203"  // pair[0], 16..34
  "0000000000"                             // pad to 40
  "0000000000000000" "0100" "0000" "00000000"           // pair[1], 40..55
  "01000000" "05000000");                  // bounded at 56

TEST(WalkerOwnTables, CTableMovesFloat64Int16AndByteSequence)
{
  auto codec = codec_for(own_c_handle());
  ASSERT_NE(codec, nullptr);
  OwnC own;
  codec->init_message(&own);
  own.a = 1.5;
  own.b = -2;
  ASSERT_TRUE(rosidl_runtime_c__uint8__Sequence__init(&own.c, 3));
  std::memcpy(own.c.data, "\x01\x02\x03", 3);
  EXPECT_EQ(sample_of(*codec, &own), with_header(kOwnLittle, ByteOrder::little));
  EXPECT_EQ(sample_of(*codec, &own, ByteOrder::big), with_header(kOwnBig, ByteOrder::big));

  for (const auto & sample : {with_header(kOwnLittle, ByteOrder::little), with_header(kOwnBig, ByteOrder::big)}) {
    OwnC back;
    codec->init_message(&back);
    std::string error;
    ASSERT_TRUE(codec->decode(sample.data(), sample.size(), &back, &error)) << error;
    EXPECT_EQ(back.a, 1.5);
    EXPECT_EQ(back.b, -2);
    ASSERT_EQ(back.c.size, 3u);
    EXPECT_EQ(std::memcmp(back.c.data, "\x01\x02\x03", 3), 0);
    codec->fini_message(&back);
  }
  codec->fini_message(&own);
}

TEST(WalkerOwnTables, CppTableWritesTheSameBytesAsTheCTable)
{
  auto codec = codec_for(own_cpp_handle());
  ASSERT_NE(codec, nullptr);
  const OwnCpp own{1.5, -2, {1, 2, 3}};
  EXPECT_EQ(sample_of(*codec, &own), with_header(kOwnLittle, ByteOrder::little));
  EXPECT_EQ(pelmora_cdr_walker::dds_type_name(*codec), "pelmora_tests::msg::dds_::Own_");
}

TEST(WalkerOwnTables, NestedStringFixedArrayAndBoundedSequence)
{
  auto codec = codec_for(outer_cpp_handle());
  ASSERT_NE(codec, nullptr);
  OuterCpp outer;
  outer.tag = 7;
  outer.label = "hi";
  outer.pair[0] = OwnCpp{1.5, -2, {1, 2, 3}};
  outer.pair[1] = OwnCpp{0, 1, {}};
  outer.bounded = {5};
  const auto sample = with_header(kOuterLittle, ByteOrder::little);
  EXPECT_EQ(sample_of(*codec, &outer), sample);

  OuterCpp back;
  back.label = "something longer before";
  back.pair[1].c = {9, 9};
  std::string error;
  ASSERT_TRUE(codec->decode(sample.data(), sample.size(), &back, &error)) << error;
  EXPECT_EQ(back.tag, 7);
  EXPECT_EQ(back.label, "hi");
  EXPECT_EQ(back.pair[0].c, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(back.pair[1].b, 1);
  EXPECT_TRUE(back.pair[1].c.empty());
  EXPECT_EQ(back.bounded, std::vector<int32_t>{5});
}

TEST(WalkerOwnTables, BoundsHoldOnBothSides)
{
  auto codec = codec_for(outer_cpp_handle());
  ASSERT_NE(codec, nullptr);
  OuterCpp outer;
  outer.bounded = {1, 2, 3};
  EXPECT_EQ(codec->serialized_size(&outer), SIZE_MAX);
  std::vector<uint8_t> room(256);
  std::string error;
  EXPECT_FALSE(codec->encode(&outer, room.data(), room.size(), ByteOrder::little, nullptr, &error));
  EXPECT_NE(error.find("bounded"), std::string::npos) << error;

  auto sample = with_header(kOuterLittle, ByteOrder::little);
  sample[4 + 56] = 3;  // bounded length word 3 > bound 2
  sample.insert(sample.end(), 8, 0);
  EXPECT_FALSE(codec->decode(sample.data(), sample.size(), &outer, &error));
  EXPECT_NE(error.find("above the bound 2"), std::string::npos) << error;
}

TEST(WalkerOwnTables, RefusesTablesWithMembersItCannotMove)
{
  rosidl_typesupport_introspection_c__MessageMember member = {};
  member.name_ = "wide";
  member.type_id_ = 3;  // long double
  const rosidl_typesupport_introspection_c__MessageMembers members = {
    "pelmora_tests__msg", "Wide", 1, 16, &member, nullptr, nullptr};
  const rosidl_message_type_support_t handle = {
    own_c_handle()->typesupport_identifier, &members, nullptr};
  std::string error;
  EXPECT_EQ(pelmora_cdr_walker::make_codec(&handle, &error), nullptr);
  EXPECT_NE(error.find("Wide.wide"), std::string::npos) << error;

  const rosidl_message_type_support_t foreign = {"rosidl_typesupport_fastrtps_c", &members, nullptr};
  EXPECT_EQ(pelmora_cdr_walker::make_codec(&foreign, &error), nullptr);
  EXPECT_NE(error.find("not an introspection"), std::string::npos) << error;
}

}  // namespace
}  // namespace pelmora_tests
