// Paths of the C type supports that only a failing allocator reaches.
#include <gtest/gtest.h>

#include "c_typesupport_support.hpp"
#include "failing_allocator.h"

namespace pelmora_tests
{
namespace
{

TEST(TypeSupportAllocationFailure, DecoderNamesTheFieldWhoseArrayCannotBeMade)
{
  cdr_callbacks();  // loads the library before the allocator is armed
  for (const auto & sequence : kSequenceFields) {
    const std::string field = sequence.name;
    const auto & bytes = vector_named("only_" + field).little_endian;
    std::vector<char> copy(bytes.begin(), bytes.end());
    eprosima::fastcdr::FastBuffer buffer(copy.data(), copy.size());
    Cdr cdr(buffer, Cdr::LITTLE_ENDIANNESS, Cdr::DDS_CDR);
    Record record = empty_record();
    StderrCapture err;
    failing_allocator_arm(0);
    const bool decoded = cdr_callbacks().cdr_deserialize(cdr, record.get());
    EXPECT_EQ(failing_allocator_disarm(), 1u);
    EXPECT_FALSE(decoded);
    EXPECT_EQ(err.text(), "failed to create array for field '" + field + "'");
  }
}

TEST(TypeSupportAllocationFailure, FailedResizeHasAlreadyReleasedTheOldElements)
{
  const auto & members = introspection_members();
  const auto & x = members.members_[7];
  Record record = make_record(vector_named("special_floats"));
  void * field = reinterpret_cast<char *>(record.get()) + x.offset_;
  failing_allocator_arm(0);
  EXPECT_FALSE(x.resize_function(field, 8));
  failing_allocator_disarm();
  EXPECT_EQ(failing_allocator_outstanding(), -1);  // the five old elements
  EXPECT_EQ(record->x.data, nullptr);
  EXPECT_EQ(x.size_function(field), 0u);
}

}  // namespace
}  // namespace pelmora_tests
