#include <gtest/gtest.h>

#include <cstring>

#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

namespace
{

void fill(pelmora__msg__Features * msg, size_t length, uint32_t seed)
{
  msg->keypointnumber = seed;
  msg->descriptorsize = seed + 1;
  ASSERT_TRUE(rosidl_runtime_c__uint32__Sequence__init(&msg->descriptor, length));
  ASSERT_TRUE(rosidl_runtime_c__float__Sequence__init(&msg->angle, length + 1));
  for (size_t i = 0; i < length; ++i) {
    msg->descriptor.data[i] = seed * 7 + static_cast<uint32_t>(i);
  }
  for (size_t i = 0; i <= length; ++i) {
    msg->angle.data[i] = static_cast<float>(seed) + 0.5f * static_cast<float>(i);
  }
}

TEST(FeaturesRecord, CreatedRecordsAreZeroAndEqual)
{
  pelmora__msg__Features * a = pelmora__msg__Features__create();
  pelmora__msg__Features * b = pelmora__msg__Features__create();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->keypointnumber, 0u);
  EXPECT_EQ(a->descriptorsize, 0u);
  EXPECT_EQ(a->x.data, nullptr);
  EXPECT_EQ(a->x.size, 0u);
  EXPECT_EQ(a->confidence.capacity, 0u);
  EXPECT_TRUE(pelmora__msg__Features__are_equal(a, b));
  EXPECT_TRUE(pelmora__msg__Features__are_equal(a, a));
  pelmora__msg__Features__destroy(a);
  pelmora__msg__Features__destroy(b);
}

TEST(FeaturesRecord, InitKeepsScalarsAndEmptiesSequences)
{
  pelmora__msg__Features msg;
  std::memset(&msg, 0xAB, sizeof(msg));
  ASSERT_TRUE(pelmora__msg__Features__init(&msg));
  EXPECT_EQ(msg.keypointnumber, 0xABABABABu);
  EXPECT_EQ(msg.descriptorsize, 0xABABABABu);
  EXPECT_EQ(msg.patternzise.data, nullptr);
  EXPECT_EQ(msg.y.size, 0u);
  pelmora__msg__Features__fini(&msg);
  EXPECT_FALSE(pelmora__msg__Features__init(nullptr));
  pelmora__msg__Features__fini(nullptr);
  pelmora__msg__Features__destroy(nullptr);
}

TEST(FeaturesRecord, EqualityComparesEveryField)
{
  pelmora__msg__Features * a = pelmora__msg__Features__create();
  pelmora__msg__Features * b = pelmora__msg__Features__create();
  EXPECT_FALSE(pelmora__msg__Features__are_equal(a, nullptr));
  EXPECT_FALSE(pelmora__msg__Features__are_equal(nullptr, b));
  EXPECT_FALSE(pelmora__msg__Features__are_equal(nullptr, nullptr));

  b->descriptorsize = 1;
  EXPECT_FALSE(pelmora__msg__Features__are_equal(a, b));
  b->descriptorsize = 0;

  ASSERT_TRUE(rosidl_runtime_c__float__Sequence__init(&b->angle, 1));
  EXPECT_FALSE(pelmora__msg__Features__are_equal(a, b));
  ASSERT_TRUE(rosidl_runtime_c__float__Sequence__init(&a->angle, 1));
  a->angle.data[0] = b->angle.data[0] = 1.0f;
  EXPECT_TRUE(pelmora__msg__Features__are_equal(a, b));
  a->angle.data[0] = 2.0f;
  EXPECT_FALSE(pelmora__msg__Features__are_equal(a, b));
  pelmora__msg__Features__destroy(a);
  pelmora__msg__Features__destroy(b);
}

TEST(FeaturesRecord, CopyReplacesLongerOutput)
{
  pelmora__msg__Features * input = pelmora__msg__Features__create();
  pelmora__msg__Features * output = pelmora__msg__Features__create();
  fill(input, 3, 10);
  fill(output, 50, 99);
  ASSERT_TRUE(pelmora__msg__Features__copy(input, output));
  EXPECT_TRUE(pelmora__msg__Features__are_equal(input, output));
  EXPECT_EQ(output->descriptor.size, 3u);
  EXPECT_NE(output->descriptor.data, input->descriptor.data);
  pelmora__msg__Features__destroy(input);
  pelmora__msg__Features__destroy(output);
}

TEST(FeaturesRecord, CopyWithNullChangesNothing)
{
  pelmora__msg__Features * msg = pelmora__msg__Features__create();
  msg->keypointnumber = 4;
  EXPECT_FALSE(pelmora__msg__Features__copy(nullptr, msg));
  EXPECT_FALSE(pelmora__msg__Features__copy(msg, nullptr));
  EXPECT_EQ(msg->keypointnumber, 4u);
  pelmora__msg__Features__destroy(msg);
}

}  // namespace
