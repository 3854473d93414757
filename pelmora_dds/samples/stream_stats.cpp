#include "stream_stats.hpp"

#include <algorithm>
#include <iterator>

namespace pelmora_dds
{

SequenceCheck::Arrival SequenceCheck::note(uint64_t index)
{
  if (index == end_) {
    ++end_;
    return Arrival::next;
  }
  if (index > end_) {
    holes_.emplace(end_, index);
    missing_ += index - end_;
    end_ = index + 1;
    return Arrival::after_gap;
  }
  // Behind the end: either it fills part of a hole or it came before.
  auto hole = holes_.upper_bound(index);
  if (hole == holes_.begin() || std::prev(hole)->second <= index) {
    ++duplicates_;
    return Arrival::duplicate;
  }
  --hole;
  const uint64_t first = hole->first;
  const uint64_t last = hole->second;
  holes_.erase(hole);
  if (first < index) {
    holes_.emplace(first, index);
  }
  if (index + 1 < last) {
    holes_.emplace(index + 1, last);
  }
  --missing_;
  ++late_;
  return Arrival::late;
}

uint64_t SequenceCheck::missing(uint64_t expected) const
{
  return missing_ + (expected > end_ ? expected - end_ : 0);
}

uint64_t missed_samples(uint64_t holes, uint64_t reported_lost)
{
  return std::max(holes, reported_lost);
}

std::string summary_fields(const StreamCounts & c, bool checked)
{
  std::string text = " received=" + std::to_string(c.received);
  if (checked) {
    text += " verified=" + std::to_string(c.verified) + " wrong=" + std::to_string(c.wrong);
  }
  text += " dropped=" + std::to_string(c.dropped) + " missed=" + std::to_string(c.missed);
  if (checked) {
    text += " out_of_order=" + std::to_string(c.out_of_order) +
      " duplicates=" + std::to_string(c.duplicates);
  }
  return text;
}

EchoVerdict echo_verdict(const StreamCounts & c, EchoEnd end, bool allow_loss)
{
  if (c.wrong != 0 || c.out_of_order != 0 || c.duplicates != 0) {
    return EchoVerdict::wrong;
  }
  if (end == EchoEnd::timed_out) {
    return EchoVerdict::timed_out;
  }
  if (!allow_loss && (c.dropped != 0 || c.missed != 0)) {
    return EchoVerdict::lost;
  }
  return EchoVerdict::ok;
}

}  // namespace pelmora_dds
