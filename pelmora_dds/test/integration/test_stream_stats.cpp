// The reader's account of a stream: holes, late and repeated samples, and
// how the counts decide the exit status.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "stream_stats.hpp"

namespace
{

using pelmora_dds::EchoEnd;
using pelmora_dds::EchoVerdict;
using pelmora_dds::SequenceCheck;
using Arrival = SequenceCheck::Arrival;

SequenceCheck after(const std::vector<uint64_t> & indices)
{
  SequenceCheck check;
  for (uint64_t i : indices) {
    check.note(i);
  }
  return check;
}

TEST(SequenceCheck, AnInOrderStreamHasNoHoleAndTheTailCountsOnlyAgainstTheAnnouncedCount)
{
  const SequenceCheck check = after({0, 1, 2, 3});
  EXPECT_EQ(check.missing(), 0u);
  EXPECT_EQ(check.missing(4), 0u);
  EXPECT_EQ(check.missing(10), 6u);
  EXPECT_EQ(check.missing(2), 0u);  // a count below what arrived adds nothing
  EXPECT_EQ(check.end(), 4u);
}

TEST(SequenceCheck, GapsAtTheStartInTheMiddleAndOfOneSampleAreCounted)
{
  SequenceCheck check;
  EXPECT_EQ(check.note(3), Arrival::after_gap);   // 0..2 never came
  EXPECT_EQ(check.note(4), Arrival::next);
  EXPECT_EQ(check.note(6), Arrival::after_gap);   // 5
  EXPECT_EQ(check.note(100), Arrival::after_gap); // 7..99
  EXPECT_EQ(check.missing(), 3u + 1u + 93u);
  EXPECT_EQ(check.late(), 0u);
}

TEST(SequenceCheck, LateSamplesFillTheirHoleAtItsStartMiddleAndEnd)
{
  SequenceCheck check = after({0, 10});  // hole 1..9
  EXPECT_EQ(check.note(1), Arrival::late);
  EXPECT_EQ(check.note(9), Arrival::late);
  EXPECT_EQ(check.note(5), Arrival::late);
  EXPECT_EQ(check.missing(), 6u);  // 2,3,4,6,7,8
  EXPECT_EQ(check.late(), 3u);
  for (uint64_t i : {2, 3, 4, 6, 7, 8}) {
    EXPECT_EQ(check.note(i), Arrival::late) << i;
  }
  EXPECT_EQ(check.missing(), 0u);
  EXPECT_EQ(check.duplicates(), 0u);
}

TEST(SequenceCheck, ASampleSeenBeforeIsADuplicateWhetherInOrAroundAHole)
{
  SequenceCheck check = after({0, 1, 5});  // hole 2..4
  EXPECT_EQ(check.note(1), Arrival::duplicate);
  EXPECT_EQ(check.note(5), Arrival::duplicate);
  EXPECT_EQ(check.note(0), Arrival::duplicate);
  EXPECT_EQ(check.note(3), Arrival::late);
  EXPECT_EQ(check.note(3), Arrival::duplicate);  // the hole was split around it
  EXPECT_EQ(check.missing(), 2u);
  EXPECT_EQ(check.duplicates(), 4u);
}

TEST(SequenceCheck, TheLargestIndexDoesNotWrap)
{
  SequenceCheck check = after({UINT32_MAX});
  EXPECT_EQ(check.missing(), uint64_t{UINT32_MAX});
  EXPECT_EQ(check.end(), uint64_t{UINT32_MAX} + 1);
}

TEST(StreamCounts, MissedIsTheLargerOfHolesAndReportedLossNotTheirSum)
{
  EXPECT_EQ(pelmora_dds::missed_samples(7, 7), 7u);
  EXPECT_EQ(pelmora_dds::missed_samples(7, 0), 7u);
  EXPECT_EQ(pelmora_dds::missed_samples(0, 3), 3u);
}

TEST(StreamCounts, TheVerdictPutsWrongSamplesBeforeTimeoutsAndTimeoutsBeforeLoss)
{
  pelmora_dds::StreamCounts c;
  EXPECT_EQ(pelmora_dds::echo_verdict(c, EchoEnd::complete, false), EchoVerdict::ok);
  c.dropped = 1;
  EXPECT_EQ(pelmora_dds::echo_verdict(c, EchoEnd::complete, false), EchoVerdict::lost);
  EXPECT_EQ(pelmora_dds::echo_verdict(c, EchoEnd::complete, true), EchoVerdict::ok);
  EXPECT_EQ(pelmora_dds::echo_verdict(c, EchoEnd::timed_out, true), EchoVerdict::timed_out);
  c.dropped = 0;
  c.missed = 2;
  EXPECT_EQ(pelmora_dds::echo_verdict(c, EchoEnd::complete, false), EchoVerdict::lost);
  for (uint64_t pelmora_dds::StreamCounts::* fault :
    {&pelmora_dds::StreamCounts::wrong, &pelmora_dds::StreamCounts::out_of_order,
      &pelmora_dds::StreamCounts::duplicates})
  {
    pelmora_dds::StreamCounts bad;
    bad.*fault = 1;
    // Allowing loss never excuses a wrong, late or repeated sample.
    EXPECT_EQ(pelmora_dds::echo_verdict(bad, EchoEnd::timed_out, true), EchoVerdict::wrong);
  }
}

TEST(StreamCounts, TheSummaryNamesEveryCountAndTheOrderOnesOnlyWhenChecked)
{
  pelmora_dds::StreamCounts c;
  c.received = 5;
  c.verified = 4;
  c.wrong = 1;
  c.dropped = 2;
  c.missed = 3;
  c.out_of_order = 6;
  c.duplicates = 7;
  EXPECT_EQ(pelmora_dds::summary_fields(c, true),
    " received=5 verified=4 wrong=1 dropped=2 missed=3 out_of_order=6 duplicates=7");
  EXPECT_EQ(pelmora_dds::summary_fields(c, false), " received=5 dropped=2 missed=3");
}

}  // namespace
