// A C Features record of K keypoints, for the benchmark programs.
#ifndef PELMORA_BENCHMARKS__C_FEATURES_HPP_
#define PELMORA_BENCHMARKS__C_FEATURES_HPP_

#include <type_traits>

#include "bench_common.hpp"
#include "c_record.hpp"
#include "pelmora/msg/detail/features__fields.h"
#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

namespace pelmora_bench
{

using pelmora_tests::Record;

// Releases `sequence` and makes it anew with `size` elements.
inline bool remake(rosidl_runtime_c__uint32__Sequence & sequence, size_t size)
{
  rosidl_runtime_c__uint32__Sequence__fini(&sequence);
  return rosidl_runtime_c__uint32__Sequence__init(&sequence, size);
}

inline bool remake(rosidl_runtime_c__float__Sequence & sequence, size_t size)
{
  rosidl_runtime_c__float__Sequence__fini(&sequence);
  return rosidl_runtime_c__float__Sequence__init(&sequence, size);
}

// Replaces `sequence` with the values of sequence `field` for `keypoints`.
template<typename Sequence>
bool fill(Sequence & sequence, size_t field, size_t keypoints)
{
  using Element = std::remove_pointer_t<decltype(sequence.data)>;
  const size_t n = sequence_length(field, keypoints);
  if (!remake(sequence, n)) {
    return false;
  }
  for (size_t i = 0; i < n; ++i) {
    sequence.data[i] = element_value<Element>(field, i);
  }
  return true;
}

// A record from create() holding a K-keypoint message.
inline Record make_record(size_t keypoints)
{
  Record record = pelmora_tests::empty_record();
  record->keypointnumber = static_cast<uint32_t>(keypoints);
  record->descriptorsize = kDescriptorWordsPerKeypoint * 4;
  // create() left every sequence empty; each is made anew at its length.
  size_t field = 0;
  bool ok = true;
#define PELMORA_FILL(name) ok = ok && fill(record->name, field++, keypoints);
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_FILL, PELMORA_FILL)
#undef PELMORA_FILL
  if (!ok) {
    throw std::bad_alloc();
  }
  return record;
}

/// The C message as the benchmarks reach it (see callbacks_benchmarks.hpp):
/// a record from create(), through the C dispatcher.
struct CFeatures
{
  using Message = Record;
  static constexpr bool kLanguageC = true;
  static constexpr const char * kIdentifier = "rosidl_typesupport_fastrtps_c";

  static const rosidl_message_type_support_t * dispatcher()
  {
    return rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
  }
  static const message_type_support_callbacks_t & callbacks()
  {
    static const message_type_support_callbacks_t & record = callbacks_for(dispatcher(), kIdentifier);
    return record;
  }
  static Message make(size_t keypoints) {return make_record(keypoints);}
  static Message empty() {return pelmora_tests::empty_record();}
  static const void * of(const Message & m) {return m.get();}
  static void * of(Message & m) {return m.get();}
  static const void * storage(const Message & m) {return m->descriptor.data;}
};

}  // namespace pelmora_bench

#endif  // PELMORA_BENCHMARKS__C_FEATURES_HPP_
