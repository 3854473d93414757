// What a reader saw of a stream: counts for echo's summary and the exit
// status they lead to. Backend-free; the Python peer follows the same rules
// (pelmora_dds_py.py, SequenceCheck and echo_verdict).
#ifndef PELMORA_DDS__STREAM_STATS_HPP_
#define PELMORA_DDS__STREAM_STATS_HPP_

#include <cstdint>
#include <map>
#include <string>

namespace pelmora_dds
{

/// Follows the indices that generated samples carry (0, 1, 2, ... in the
/// order the writer sent them) and tells which never arrived, which came
/// after a later one and which came twice. Memory grows with the number of
/// holes in the stream, never with its length.
class SequenceCheck
{
public:
  enum class Arrival { next, after_gap, late, duplicate };

  Arrival note(uint64_t index);

  /// Indices below the highest one seen that have not arrived, plus those
  /// from there up to `expected` (the count the writer announced, 0 when
  /// unknown) -- samples lost at the tail of the stream.
  uint64_t missing(uint64_t expected = 0) const;
  uint64_t late() const {return late_;}
  uint64_t duplicates() const {return duplicates_;}
  /// One past the highest index seen.
  uint64_t end() const {return end_;}

private:
  uint64_t end_ = 0;
  std::map<uint64_t, uint64_t> holes_;  // first missing index -> one past the last
  uint64_t missing_ = 0;
  uint64_t late_ = 0;
  uint64_t duplicates_ = 0;
};

struct StreamCounts
{
  uint64_t received = 0;      // samples decoded and taken
  uint64_t verified = 0;      // of those, equal to the generated sample
  uint64_t wrong = 0;         // decoded, but not the generated sample
  uint64_t dropped = 0;       // refused by the decoder (malformed)
  uint64_t missed = 0;        // never arrived: holes, or what the middleware reported lost
  uint64_t out_of_order = 0;  // arrived after a later sample
  uint64_t duplicates = 0;
};

/// Missed samples: holes in the indices and the middleware's sample-lost
/// count describe the same losses when both are known (a lost sample leaves
/// a hole), so the larger of the two is taken, not their sum.
uint64_t missed_samples(uint64_t holes, uint64_t reported_lost);

/// " received=R verified=V dropped=D missed=M out_of_order=O" (verified and
/// the order counts only when the content was checked).
std::string summary_fields(const StreamCounts & counts, bool checked);

enum class EchoEnd { complete, timed_out };

enum class EchoVerdict { ok, wrong, timed_out, lost };

/// How a reader's run ended, most serious first: a wrong, late or repeated
/// sample; giving up by the timeout; a dropped or missed sample (unless loss
/// is allowed); else ok.
EchoVerdict echo_verdict(const StreamCounts & counts, EchoEnd end, bool allow_loss);

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__STREAM_STATS_HPP_
