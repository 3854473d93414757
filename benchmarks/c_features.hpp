// A C Features record of K keypoints, for the benchmark programs.
#ifndef PELMORA_BENCHMARKS__C_FEATURES_HPP_
#define PELMORA_BENCHMARKS__C_FEATURES_HPP_

#include <memory>
#include <new>

#include "bench_common.hpp"
#include "pelmora/msg/detail/features__fields.h"
#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

namespace pelmora_bench
{

using Record = std::unique_ptr<pelmora__msg__Features, decltype(&pelmora__msg__Features__destroy)>;

inline Record new_record()
{
  Record record(pelmora__msg__Features__create(), &pelmora__msg__Features__destroy);
  if (!record) {
    throw std::bad_alloc();
  }
  return record;
}

// Replaces `sequence` with the values of sequence `field` for `keypoints`.
inline bool fill(rosidl_runtime_c__uint32__Sequence & sequence, int field, size_t keypoints)
{
  const size_t n = sequence_length(field, keypoints);
  rosidl_runtime_c__uint32__Sequence__fini(&sequence);
  if (!rosidl_runtime_c__uint32__Sequence__init(&sequence, n)) {
    return false;
  }
  for (size_t i = 0; i < n; ++i) {
    sequence.data[i] = word_value(field, i);
  }
  return true;
}

inline bool fill(rosidl_runtime_c__float__Sequence & sequence, int field, size_t keypoints)
{
  const size_t n = sequence_length(field, keypoints);
  rosidl_runtime_c__float__Sequence__fini(&sequence);
  if (!rosidl_runtime_c__float__Sequence__init(&sequence, n)) {
    return false;
  }
  for (size_t i = 0; i < n; ++i) {
    sequence.data[i] = float_value(field, i);
  }
  return true;
}

// A record from create() holding a K-keypoint message.
inline Record make_record(size_t keypoints)
{
  Record record = new_record();
  record->keypointnumber = static_cast<uint32_t>(keypoints);
  record->descriptorsize = kDescriptorWordsPerKeypoint * 4;
  // create() left every sequence empty; each is made anew at its length.
  int field = 0;
  bool ok = true;
#define PELMORA_FILL(name) ok = ok && fill(record->name, field++, keypoints);
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_FILL, PELMORA_FILL)
#undef PELMORA_FILL
  if (!ok) {
    throw std::bad_alloc();
  }
  return record;
}

}  // namespace pelmora_bench

#endif  // PELMORA_BENCHMARKS__C_FEATURES_HPP_
