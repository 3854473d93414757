// Paths that only a failing allocator reaches, and proof that none leaks.
#include <gtest/gtest.h>

#include "failing_allocator.h"
#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

namespace
{

TEST(AllocationFailure, CreateReturnsNullWithoutLeaking)
{
  failing_allocator_arm(0);
  pelmora__msg__Features * msg = pelmora__msg__Features__create();
  EXPECT_EQ(failing_allocator_disarm(), 1u);
  EXPECT_EQ(msg, nullptr);
  EXPECT_EQ(failing_allocator_outstanding(), 0);
}

TEST(AllocationFailure, CopyStopsAtTheFailingSequence)
{
  pelmora__msg__Features * input = pelmora__msg__Features__create();
  pelmora__msg__Features * output = pelmora__msg__Features__create();
  input->keypointnumber = 3;
  ASSERT_TRUE(rosidl_runtime_c__uint32__Sequence__init(&input->descriptor, 2));
  ASSERT_TRUE(rosidl_runtime_c__uint32__Sequence__init(&input->uniqueid, 2));
  ASSERT_TRUE(rosidl_runtime_c__float__Sequence__init(&input->x, 2));
  input->descriptor.data[1] = 11;

  failing_allocator_arm(1);  // descriptor gets its storage, uniqueid does not
  EXPECT_FALSE(pelmora__msg__Features__copy(input, output));
  failing_allocator_disarm();
  EXPECT_EQ(output->keypointnumber, 3u);
  EXPECT_EQ(output->descriptor.size, 2u);
  EXPECT_EQ(output->descriptor.data[1], 11u);
  EXPECT_EQ(output->x.size, 0u);
  pelmora__msg__Features__destroy(input);
  pelmora__msg__Features__destroy(output);
}

TEST(AllocationFailure, SequenceInitAndCreateLeaveNothingAllocated)
{
  pelmora__msg__Features__Sequence array{nullptr, 0, 0};
  failing_allocator_arm(0);
  EXPECT_FALSE(pelmora__msg__Features__Sequence__init(&array, 4));
  failing_allocator_disarm();
  EXPECT_EQ(array.data, nullptr);
  EXPECT_EQ(array.size, 0u);

  for (size_t successes = 0; successes < 2; ++successes) {
    failing_allocator_arm(successes);
    EXPECT_EQ(pelmora__msg__Features__Sequence__create(4), nullptr);
    EXPECT_EQ(failing_allocator_disarm(), 1u);
    EXPECT_EQ(failing_allocator_outstanding(), 0);
  }
}

TEST(AllocationFailure, SequenceCopyGrowthFailureKeepsOutput)
{
  pelmora__msg__Features__Sequence * input = pelmora__msg__Features__Sequence__create(6);
  pelmora__msg__Features__Sequence * output = pelmora__msg__Features__Sequence__create(2);
  output->data[0].keypointnumber = 77;
  pelmora__msg__Features * old_block = output->data;

  failing_allocator_arm(0);
  EXPECT_FALSE(pelmora__msg__Features__Sequence__copy(input, output));
  failing_allocator_disarm();
  EXPECT_EQ(output->data, old_block);
  EXPECT_EQ(output->size, 2u);
  EXPECT_EQ(output->capacity, 2u);
  EXPECT_EQ(output->data[0].keypointnumber, 77u);
  pelmora__msg__Features__Sequence__destroy(input);
  pelmora__msg__Features__Sequence__destroy(output);
}

TEST(AllocationFailure, SequenceCopyElementFailureKeepsEarlierElements)
{
  pelmora__msg__Features__Sequence * input = pelmora__msg__Features__Sequence__create(3);
  pelmora__msg__Features__Sequence * output = pelmora__msg__Features__Sequence__create(3);
  for (size_t i = 0; i < 3; ++i) {
    input->data[i].keypointnumber = static_cast<uint32_t>(10 + i);
    ASSERT_TRUE(rosidl_runtime_c__uint32__Sequence__init(&input->data[i].descriptor, 1));
  }
  failing_allocator_arm(1);  // element 0 copies, element 1 fails
  EXPECT_FALSE(pelmora__msg__Features__Sequence__copy(input, output));
  failing_allocator_disarm();
  EXPECT_TRUE(pelmora__msg__Features__are_equal(&input->data[0], &output->data[0]));
  EXPECT_EQ(output->data[1].keypointnumber, 11u);
  EXPECT_EQ(output->data[2].keypointnumber, 0u);
  pelmora__msg__Features__Sequence__destroy(input);
  pelmora__msg__Features__Sequence__destroy(output);
}

}  // namespace
