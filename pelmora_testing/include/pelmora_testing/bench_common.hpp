// Message shapes, buffers and the memcpy baseline shared by the C and C++
// benchmark programs.
//
// A message of K keypoints has the shape of features_size.hpp:
// 8·K descriptor words and K elements in each of the other seven sequences.
#ifndef PELMORA_BENCHMARKS__BENCH_COMMON_HPP_
#define PELMORA_BENCHMARKS__BENCH_COMMON_HPP_

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "features_fields.hpp"
#include "features_size.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace pelmora_bench
{

using pelmora_tests::kSequenceFields;

constexpr uint32_t kDescriptorWordsPerKeypoint = pelmora_tests::kDescriptorWordsPerKeypoint;

/// Keypoint counts measured, from the empty message to a million keypoints
/// (60 MB). 17477 is the first count whose message reaches 1 MiB.
inline const std::vector<int64_t> & keypoint_counts()
{
  static const std::vector<int64_t> counts{
    0, 1, 4, 16, 64, 256, 1024, 4096, 17477, 65536, 262144, 1000000};
  return counts;
}

/// Length of the sequence kSequenceFields[field] for `keypoints`: the
/// descriptor holds kDescriptorWordsPerKeypoint words a keypoint, every other
/// sequence one element.
inline size_t sequence_length(size_t field, size_t keypoints)
{
  const bool descriptor = std::strcmp(kSequenceFields[field].name, "descriptor") == 0;
  return descriptor ? kDescriptorWordsPerKeypoint * keypoints : keypoints;
}

/// Encoded bytes of a K-keypoint message.
inline size_t encoded_bytes(uint64_t keypoints)
{
  size_t elements = 0;
  for (size_t field = 0; field < kSequenceFields.size(); ++field) {
    elements += sequence_length(field, static_cast<size_t>(keypoints));
  }
  return pelmora_tests::encoded_size(elements);
}

/// Element i of sequence `field` (a uint32_t or a float): values that differ
/// between fields and elements, so that no copy can be shortcut by a page of
/// zeros.
template<typename Element>
Element element_value(size_t field, size_t i)
{
  if constexpr (std::is_same_v<Element, float>) {
    return static_cast<float>(i % 100000) * 0.25f + static_cast<float>(field);
  } else {
    return static_cast<uint32_t>(i * 2654435761u + static_cast<uint32_t>(field) * 40503u + 1u);
  }
}

/// A byte buffer whose pages have all been written once, so that no
/// benchmark pays for first-touch page faults inside its timed loop.
class Buffer
{
public:
  explicit Buffer(size_t size)
  : bytes_(size == 0 ? 1 : size, '\x5a'), size_(size) {}
  char * data() {return bytes_.data();}
  const char * data() const {return bytes_.data();}
  size_t size() const {return size_;}

private:
  std::vector<char> bytes_;
  size_t size_;
};

/// The Fast-CDR callbacks record of a Fast-CDR type-support handle.
inline const message_type_support_callbacks_t & callbacks_of(const rosidl_message_type_support_t * handle)
{
  return *static_cast<const message_type_support_callbacks_t *>(handle->data);
}

/// The Fast-CDR callbacks record behind `dispatcher` for `identifier`, found
/// the way a middleware finds it. Throws when the dispatcher has none.
inline const message_type_support_callbacks_t & callbacks_for(
  const rosidl_message_type_support_t * dispatcher, const char * identifier)
{
  const rosidl_message_type_support_t * handle =
    get_message_typesupport_handle(dispatcher, identifier);
  if (handle == nullptr) {
    throw std::runtime_error(std::string("no type support ") + identifier);
  }
  return callbacks_of(handle);
}

/// A Cdr over `buffer`, at its start, in the host's byte order, as a
/// middleware makes one per sample (after the encapsulation header).
struct CdrOver
{
  eprosima::fastcdr::FastBuffer fast_buffer;
  eprosima::fastcdr::Cdr cdr;
  CdrOver(char * data, size_t size)
  : fast_buffer(data, size),
    cdr(fast_buffer, eprosima::fastcdr::Cdr::DEFAULT_ENDIAN, eprosima::fastcdr::Cdr::CORBA_CDR) {}
};

/// Runs the registered benchmarks with the command line's options; 64 for
/// options it does not know.
inline int run_registered(int argc, char ** argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 64;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

/// Reports `bytes` per iteration, as throughput and as a counter.
inline void set_bytes(benchmark::State & state, size_t bytes)
{
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  state.counters["bytes"] = static_cast<double>(bytes);
}

/// memcpy of a K-keypoint message's bytes into a preallocated buffer: the
/// baseline of encode and decode. Registered in each program so that ratios
/// compare numbers of the same run.
inline void BM_Memcpy(benchmark::State & state)
{
  const size_t bytes = encoded_bytes(static_cast<uint64_t>(state.range(0)));
  Buffer source(bytes);
  Buffer target(bytes);
  for (size_t i = 0; i < bytes; ++i) {
    source.data()[i] = static_cast<char>(i * 131u);
  }
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  set_bytes(state, bytes);
}

/// Registers `function` (a benchmark function or a callable taking the
/// state) as `name` over `counts` keypoints, every keypoint count by default.
template<typename Function>
benchmark::internal::Benchmark * register_sized(
  const std::string & name, Function function, const std::vector<int64_t> & counts = keypoint_counts())
{
  auto * b = benchmark::RegisterBenchmark(name.c_str(), function);
  for (int64_t k : counts) {
    b->Arg(k);
  }
  return b->ArgName("keypoints");
}

}  // namespace pelmora_bench

#endif  // PELMORA_BENCHMARKS__BENCH_COMMON_HPP_
