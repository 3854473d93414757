// The C CDR type support of Features measured through its callbacks record,
// obtained from the C dispatcher by identifier as a middleware obtains it,
// against memcpy of the same bytes in the same run.
//
//   C/Memcpy/keypoints:K          baseline: memcpy of 40 + 60·K bytes
//   C/Encode/keypoints:K          cdr_serialize of a K-keypoint record
//   C/Decode/keypoints:K          cdr_deserialize into a record (its storage
//                                 is released and made anew on every call)
//   C/SerializedSize/keypoints:K  get_serialized_size: constant in K
//   C/EmptyRoundTrip              encode then decode of the all-empty record
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "bench_common.hpp"
#include "c_features.hpp"

namespace
{

using pelmora_bench::Buffer;
using pelmora_bench::CdrOver;
using pelmora_bench::set_bytes;

using pelmora_bench::make_record;
using pelmora_tests::empty_record;
using pelmora_bench::Record;

const message_type_support_callbacks_t & callbacks()
{
  static const message_type_support_callbacks_t & record = pelmora_bench::callbacks_for(
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(),
    "rosidl_typesupport_fastrtps_c");
  return record;
}

Buffer encode(const pelmora__msg__Features & record)
{
  return pelmora_bench::encode_with(callbacks(), &record);
}

void BM_Encode(benchmark::State & state)
{
  const Record record = make_record(static_cast<size_t>(state.range(0)));
  const message_type_support_callbacks_t & cb = callbacks();
  Buffer buffer(cb.get_serialized_size(record.get()));
  for (auto _ : state) {
    CdrOver out(buffer.data(), buffer.size());
    if (!cb.cdr_serialize(record.get(), out.cdr)) {
      state.SkipWithError("cdr_serialize failed");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  set_bytes(state, buffer.size());
}

void BM_Decode(benchmark::State & state)
{
  Buffer bytes = encode(*make_record(static_cast<size_t>(state.range(0))));
  const message_type_support_callbacks_t & cb = callbacks();
  Record target = empty_record();
  for (auto _ : state) {
    CdrOver in(bytes.data(), bytes.size());
    if (!cb.cdr_deserialize(in.cdr, target.get())) {
      state.SkipWithError("cdr_deserialize failed");
      break;
    }
    benchmark::DoNotOptimize(target->descriptor.data);
    benchmark::ClobberMemory();
  }
  set_bytes(state, bytes.size());
}

void BM_SerializedSize(benchmark::State & state)
{
  const Record record = make_record(static_cast<size_t>(state.range(0)));
  const message_type_support_callbacks_t & cb = callbacks();
  uint32_t size = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(record.get());
    size = cb.get_serialized_size(record.get());
    benchmark::DoNotOptimize(size);
  }
  state.counters["bytes"] = static_cast<double>(size);
}

void BM_EmptyRoundTrip(benchmark::State & state)
{
  const Record source = make_record(0);
  Record target = empty_record();
  const message_type_support_callbacks_t & cb = callbacks();
  char buffer[64];
  for (auto _ : state) {
    CdrOver out(buffer, sizeof(buffer));
    CdrOver in(buffer, sizeof(buffer));
    if (!cb.cdr_serialize(source.get(), out.cdr) || !cb.cdr_deserialize(in.cdr, target.get())) {
      state.SkipWithError("round trip failed");
      break;
    }
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char ** argv)
{
  callbacks();  // load the type support before anything is timed
  pelmora_bench::register_sized("C/Memcpy", pelmora_bench::BM_Memcpy);
  pelmora_bench::register_sized("C/Encode", BM_Encode);
  pelmora_bench::register_sized("C/Decode", BM_Decode);
  pelmora_bench::register_sized("C/SerializedSize", BM_SerializedSize);
  benchmark::RegisterBenchmark("C/EmptyRoundTrip", BM_EmptyRoundTrip);
  return pelmora_bench::run_registered(argc, argv);
}
