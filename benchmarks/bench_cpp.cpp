// The C++ CDR type support of Features measured through its callbacks
// record, obtained from the C++ dispatcher by identifier as a middleware
// obtains it, against memcpy of the same bytes in the same run.
//
//   Cpp/Memcpy/keypoints:K          baseline: memcpy of 40 + 60·K bytes
//   Cpp/Encode/keypoints:K          cdr_serialize of a K-keypoint message
//   Cpp/Decode/keypoints:K          cdr_deserialize into a message that is
//                                   reused, so its vectors keep their storage
//   Cpp/DecodeFresh/keypoints:K     cdr_deserialize into a new message each
//                                   time (its vectors allocate and zero-fill)
//   Cpp/SerializedSize/keypoints:K  get_serialized_size: constant in K
//   Cpp/EmptyRoundTrip              encode then decode of the empty message
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench_common.hpp"
#include "cpp_features.hpp"

namespace
{

using pelmora_bench::Buffer;
using pelmora_bench::CdrOver;
using pelmora_bench::set_bytes;
using pelmora::msg::Features;
using pelmora_bench::make_message;

const message_type_support_callbacks_t & callbacks()
{
  static const message_type_support_callbacks_t & record = pelmora_bench::callbacks_for(
    rosidl_typesupport_cpp::get_message_type_support_handle<Features>(),
    "rosidl_typesupport_fastrtps_cpp");
  return record;
}

Buffer encode(const Features & message)
{
  return pelmora_bench::encode_with(callbacks(), &message);
}

void BM_Encode(benchmark::State & state)
{
  const Features message = make_message(static_cast<size_t>(state.range(0)));
  const message_type_support_callbacks_t & cb = callbacks();
  Buffer buffer(cb.get_serialized_size(&message));
  for (auto _ : state) {
    CdrOver out(buffer.data(), buffer.size());
    cb.cdr_serialize(&message, out.cdr);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  set_bytes(state, buffer.size());
}

void BM_Decode(benchmark::State & state)
{
  Buffer bytes = encode(make_message(static_cast<size_t>(state.range(0))));
  const message_type_support_callbacks_t & cb = callbacks();
  Features target;
  for (auto _ : state) {
    CdrOver in(bytes.data(), bytes.size());
    cb.cdr_deserialize(in.cdr, &target);
    benchmark::DoNotOptimize(target.descriptor.data());
    benchmark::ClobberMemory();
  }
  set_bytes(state, bytes.size());
}

void BM_DecodeFresh(benchmark::State & state)
{
  Buffer bytes = encode(make_message(static_cast<size_t>(state.range(0))));
  const message_type_support_callbacks_t & cb = callbacks();
  for (auto _ : state) {
    Features target;
    CdrOver in(bytes.data(), bytes.size());
    cb.cdr_deserialize(in.cdr, &target);
    benchmark::DoNotOptimize(target.descriptor.data());
    benchmark::ClobberMemory();
  }
  set_bytes(state, bytes.size());
}

void BM_SerializedSize(benchmark::State & state)
{
  const Features message = make_message(static_cast<size_t>(state.range(0)));
  const message_type_support_callbacks_t & cb = callbacks();
  uint32_t size = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(&message);
    size = cb.get_serialized_size(&message);
    benchmark::DoNotOptimize(size);
  }
  state.counters["bytes"] = static_cast<double>(size);
}

void BM_EmptyRoundTrip(benchmark::State & state)
{
  const Features source;
  Features target;
  const message_type_support_callbacks_t & cb = callbacks();
  char buffer[64];
  for (auto _ : state) {
    CdrOver out(buffer, sizeof(buffer));
    CdrOver in(buffer, sizeof(buffer));
    cb.cdr_serialize(&source, out.cdr);
    cb.cdr_deserialize(in.cdr, &target);
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char ** argv)
{
  callbacks();  // load the type support before anything is timed
  pelmora_bench::register_sized("Cpp/Memcpy", pelmora_bench::BM_Memcpy);
  pelmora_bench::register_sized("Cpp/Encode", BM_Encode);
  pelmora_bench::register_sized("Cpp/Decode", BM_Decode);
  pelmora_bench::register_sized("Cpp/DecodeFresh", BM_DecodeFresh);
  pelmora_bench::register_sized("Cpp/SerializedSize", BM_SerializedSize);
  benchmark::RegisterBenchmark("Cpp/EmptyRoundTrip", BM_EmptyRoundTrip);
  return pelmora_bench::run_registered(argc, argv);
}
