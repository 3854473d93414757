#include <gtest/gtest.h>

#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

namespace
{

TEST(FeaturesSequence, InitWithZeroAllocatesNothing)
{
  pelmora__msg__Features__Sequence array;
  ASSERT_TRUE(pelmora__msg__Features__Sequence__init(&array, 0));
  EXPECT_EQ(array.data, nullptr);
  EXPECT_EQ(array.size, 0u);
  EXPECT_EQ(array.capacity, 0u);
  pelmora__msg__Features__Sequence__fini(&array);
  EXPECT_EQ(array.data, nullptr);
  EXPECT_FALSE(pelmora__msg__Features__Sequence__init(nullptr, 1));
  pelmora__msg__Features__Sequence__fini(nullptr);
  pelmora__msg__Features__Sequence__destroy(nullptr);
}

TEST(FeaturesSequence, CreateGivesInitialisedElements)
{
  pelmora__msg__Features__Sequence * array = pelmora__msg__Features__Sequence__create(3);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->size, 3u);
  EXPECT_EQ(array->capacity, 3u);
  pelmora__msg__Features * fresh = pelmora__msg__Features__create();
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(pelmora__msg__Features__are_equal(&array->data[i], fresh));
  }
  pelmora__msg__Features__destroy(fresh);
  pelmora__msg__Features__Sequence__destroy(array);
}

TEST(FeaturesSequence, EqualityLooksAtSizeElementsOnly)
{
  pelmora__msg__Features__Sequence * small = pelmora__msg__Features__Sequence__create(2);
  pelmora__msg__Features__Sequence * large = pelmora__msg__Features__Sequence__create(4);
  EXPECT_FALSE(pelmora__msg__Features__Sequence__are_equal(small, large));
  large->size = 2;
  large->data[3].keypointnumber = 9;
  EXPECT_TRUE(pelmora__msg__Features__Sequence__are_equal(small, large));
  large->data[1].keypointnumber = 9;
  EXPECT_FALSE(pelmora__msg__Features__Sequence__are_equal(small, large));
  EXPECT_FALSE(pelmora__msg__Features__Sequence__are_equal(small, nullptr));
  EXPECT_FALSE(pelmora__msg__Features__Sequence__are_equal(nullptr, nullptr));
  large->size = 4;
  pelmora__msg__Features__Sequence__destroy(small);
  pelmora__msg__Features__Sequence__destroy(large);
}

TEST(FeaturesSequence, CopyNeverShrinksOutput)
{
  pelmora__msg__Features__Sequence * input = pelmora__msg__Features__Sequence__create(2);
  pelmora__msg__Features__Sequence * output = pelmora__msg__Features__Sequence__create(5);
  input->data[1].keypointnumber = 42;
  ASSERT_TRUE(rosidl_runtime_c__uint32__Sequence__init(&output->data[4].uniqueid, 8));
  ASSERT_TRUE(pelmora__msg__Features__Sequence__copy(input, output));
  EXPECT_EQ(output->size, 2u);
  EXPECT_EQ(output->capacity, 5u);
  EXPECT_EQ(output->data[1].keypointnumber, 42u);
  // The element beyond size keeps its storage until fini releases it.
  EXPECT_EQ(output->data[4].uniqueid.size, 8u);
  EXPECT_TRUE(pelmora__msg__Features__Sequence__are_equal(input, output));
  pelmora__msg__Features__Sequence__destroy(input);
  pelmora__msg__Features__Sequence__destroy(output);
}

TEST(FeaturesSequence, CopyGrowsEmptyOutputExactly)
{
  pelmora__msg__Features__Sequence * input = pelmora__msg__Features__Sequence__create(5);
  pelmora__msg__Features__Sequence output;
  ASSERT_TRUE(pelmora__msg__Features__Sequence__init(&output, 0));
  input->data[4].descriptorsize = 7;
  ASSERT_TRUE(rosidl_runtime_c__float__Sequence__init(&input->data[0].x, 3));
  // The sequence init leaves the elements unset; comparing them would read
  // indeterminate floats (and a NaN among them would compare unequal).
  for (size_t i = 0; i < 3; ++i) {
    input->data[0].x.data[i] = 0.5f * static_cast<float>(i);
  }
  ASSERT_TRUE(pelmora__msg__Features__Sequence__copy(input, &output));
  EXPECT_EQ(output.size, 5u);
  EXPECT_EQ(output.capacity, 5u);
  EXPECT_TRUE(pelmora__msg__Features__Sequence__are_equal(input, &output));

  pelmora__msg__Features__Sequence empty;
  ASSERT_TRUE(pelmora__msg__Features__Sequence__init(&empty, 0));
  ASSERT_TRUE(pelmora__msg__Features__Sequence__copy(&empty, &output));
  EXPECT_EQ(output.size, 0u);
  EXPECT_EQ(output.capacity, 5u);
  EXPECT_FALSE(pelmora__msg__Features__Sequence__copy(nullptr, &output));
  EXPECT_FALSE(pelmora__msg__Features__Sequence__copy(&empty, nullptr));
  pelmora__msg__Features__Sequence__fini(&output);
  pelmora__msg__Features__Sequence__destroy(input);
}

using FeaturesSequenceDeathTest = ::testing::Test;

TEST_F(FeaturesSequenceDeathTest, FiniAssertsTheInvariant)
{
  const char * where = "features__functions.c.*pelmora__msg__Features__Sequence__fini.*";
  pelmora__msg__Features__Sequence broken{nullptr, 1, 1};
  EXPECT_DEATH(pelmora__msg__Features__Sequence__fini(&broken),
    std::string(where) + "0 == array->size");
  broken = {nullptr, 0, 1};
  EXPECT_DEATH(pelmora__msg__Features__Sequence__fini(&broken),
    std::string(where) + "0 == array->capacity");
  pelmora__msg__Features element{};
  broken = {&element, 0, 0};
  EXPECT_DEATH(pelmora__msg__Features__Sequence__fini(&broken),
    std::string(where) + "array->capacity > 0");
}

}  // namespace
