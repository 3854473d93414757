// A C++ Features message of K keypoints, for the benchmark programs.
#ifndef PELMORA_BENCHMARKS__CPP_FEATURES_HPP_
#define PELMORA_BENCHMARKS__CPP_FEATURES_HPP_

#include <vector>

#include "bench_common.hpp"
#include "pelmora/msg/features.hpp"

namespace pelmora_bench
{

template<typename T, typename Value>
void fill_vector(std::vector<T> & sequence, int field, size_t keypoints, Value value)
{
  const size_t n = sequence_length(field, keypoints);
  sequence.resize(n);
  for (size_t i = 0; i < n; ++i) {
    sequence[i] = value(field, i);
  }
}

inline pelmora::msg::Features make_message(size_t keypoints)
{
  pelmora::msg::Features m;
  m.keypointnumber = static_cast<uint32_t>(keypoints);
  m.descriptorsize = kDescriptorWordsPerKeypoint * 4;
  int field = 0;
  for (auto * sequence : {&m.descriptor, &m.uniqueid, &m.isrightimage, &m.patternzise, &m.confidence}) {
    fill_vector(*sequence, field++, keypoints, word_value);
  }
  for (auto * sequence : {&m.x, &m.y, &m.angle}) {
    fill_vector(*sequence, field++, keypoints, float_value);
  }
  return m;
}

}  // namespace pelmora_bench

#endif  // PELMORA_BENCHMARKS__CPP_FEATURES_HPP_
