// A C++ Features message of K keypoints, for the benchmark programs.
#ifndef PELMORA_BENCHMARKS__CPP_FEATURES_HPP_
#define PELMORA_BENCHMARKS__CPP_FEATURES_HPP_

#include <vector>

#include "bench_common.hpp"
#include "pelmora/msg/detail/features__fields.hpp"
#include "pelmora/msg/features.hpp"

namespace pelmora_bench
{

template<typename Element>
void fill_vector(std::vector<Element> & sequence, size_t field, size_t keypoints)
{
  const size_t n = sequence_length(field, keypoints);
  sequence.resize(n);
  for (size_t i = 0; i < n; ++i) {
    sequence[i] = element_value<Element>(field, i);
  }
}

inline pelmora::msg::Features make_message(size_t keypoints)
{
  pelmora::msg::Features m;
  m.keypointnumber = static_cast<uint32_t>(keypoints);
  m.descriptorsize = kDescriptorWordsPerKeypoint * 4;
  size_t field = 0;
#define PELMORA_FILL(name, element) fill_vector(m.name, field++, keypoints);
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA__MSG__FEATURES__IGNORE, PELMORA_FILL)
#undef PELMORA_FILL
  return m;
}

/// The C++ message as the benchmarks reach it (see callbacks_benchmarks.hpp),
/// through the C++ dispatcher.
struct CppFeatures
{
  using Message = pelmora::msg::Features;
  static constexpr bool kLanguageC = false;
  static constexpr const char * kIdentifier = "rosidl_typesupport_fastrtps_cpp";

  static const rosidl_message_type_support_t * dispatcher()
  {
    return rosidl_typesupport_cpp::get_message_type_support_handle<Message>();
  }
  static const message_type_support_callbacks_t & callbacks()
  {
    static const message_type_support_callbacks_t & record = callbacks_for(dispatcher(), kIdentifier);
    return record;
  }
  static Message make(size_t keypoints) {return make_message(keypoints);}
  static Message empty() {return Message();}
  static const void * of(const Message & m) {return &m;}
  static void * of(Message & m) {return &m;}
  static const void * storage(const Message & m) {return m.descriptor.data();}
};

}  // namespace pelmora_bench

#endif  // PELMORA_BENCHMARKS__CPP_FEATURES_HPP_
