// The introspection walker against the CDR type supports, for C records and
// C++ messages, each obtained from its dispatcher as a middleware obtains
// it, and memcpy of the same bytes, all in the same run.
//
//   Walker/Memcpy/keypoints:K        baseline: memcpy of 40 + 60·K bytes
//   Walker/{Cdr,Walk}Encode{C,Cpp}   encode a K-keypoint message (the walk
//                                    also writes the 4-byte header)
//   Walker/{Cdr,Walk}Decode{C,Cpp}   decode into a reused message
//
// walker_report.py turns the JSON output into the ratio table.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench_common.hpp"
#include "c_features.hpp"
#include "cpp_features.hpp"
#include "pelmora_cdr_walker/walker.hpp"

namespace
{

using pelmora_bench::Buffer;
using pelmora_bench::CdrOver;
using pelmora_bench::set_bytes;
using pelmora_cdr_walker::Codec;

const rosidl_message_type_support_t * c_dispatcher()
{
  return rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
}

const rosidl_message_type_support_t * cpp_dispatcher()
{
  return rosidl_typesupport_cpp::get_message_type_support_handle<pelmora::msg::Features>();
}

const Codec & codec(bool language_c)
{
  static const std::unique_ptr<Codec> c = pelmora_cdr_walker::make_codec_from_dispatcher(c_dispatcher(), true, nullptr);
  static const std::unique_ptr<Codec> cpp = pelmora_cdr_walker::make_codec_from_dispatcher(cpp_dispatcher(), false, nullptr);
  return language_c ? *c : *cpp;
}

const message_type_support_callbacks_t & cdr(bool language_c)
{
  static const message_type_support_callbacks_t & c =
    pelmora_bench::callbacks_for(c_dispatcher(), "rosidl_typesupport_fastrtps_c");
  static const message_type_support_callbacks_t & cpp =
    pelmora_bench::callbacks_for(cpp_dispatcher(), "rosidl_typesupport_fastrtps_cpp");
  return language_c ? c : cpp;
}

// A K-keypoint message of the language and a second, empty one to decode into.
struct Messages
{
  explicit Messages(bool language_c, size_t keypoints)
  : record(pelmora_bench::make_record(keypoints)), record_target(pelmora_tests::empty_record()),
    message(pelmora_bench::make_message(keypoints)), c(language_c) {}

  const void * source() const {return c ? static_cast<const void *>(record.get()) : &message;}
  void * target() {return c ? static_cast<void *>(record_target.get()) : &message_target;}

  pelmora_bench::Record record;
  pelmora_bench::Record record_target;
  pelmora::msg::Features message;
  pelmora::msg::Features message_target;
  bool c;
};

template<bool C>
void BM_CdrEncode(benchmark::State & state)
{
  Messages m(C, static_cast<size_t>(state.range(0)));
  Buffer buffer(cdr(C).get_serialized_size(m.source()));
  for (auto _ : state) {
    CdrOver out(buffer.data(), buffer.size());
    cdr(C).cdr_serialize(m.source(), out.cdr);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  set_bytes(state, buffer.size());
}

template<bool C>
void BM_WalkEncode(benchmark::State & state)
{
  Messages m(C, static_cast<size_t>(state.range(0)));
  Buffer buffer(codec(C).serialized_size(m.source()));
  const auto order = pelmora_cdr_walker::native_byte_order();
  for (auto _ : state) {
    codec(C).encode(m.source(), reinterpret_cast<uint8_t *>(buffer.data()), buffer.size(), order, nullptr, nullptr);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  set_bytes(state, buffer.size());
}

template<bool C>
void BM_CdrDecode(benchmark::State & state)
{
  Messages m(C, static_cast<size_t>(state.range(0)));
  Buffer bytes = pelmora_bench::encode_with(cdr(C), m.source());
  for (auto _ : state) {
    CdrOver in(bytes.data(), bytes.size());
    cdr(C).cdr_deserialize(in.cdr, m.target());
    benchmark::ClobberMemory();
  }
  set_bytes(state, bytes.size());
}

template<bool C>
void BM_WalkDecode(benchmark::State & state)
{
  Messages m(C, static_cast<size_t>(state.range(0)));
  Buffer bytes(codec(C).serialized_size(m.source()));
  auto * data = reinterpret_cast<uint8_t *>(bytes.data());
  codec(C).encode(m.source(), data, bytes.size(), pelmora_cdr_walker::native_byte_order(), nullptr, nullptr);
  for (auto _ : state) {
    if (!codec(C).decode(data, bytes.size(), m.target(), nullptr)) {
      state.SkipWithError("the walker refused its own bytes");
      break;
    }
    benchmark::ClobberMemory();
  }
  set_bytes(state, bytes.size());
}

}  // namespace

int main(int argc, char ** argv)
{
  codec(true);  // load the type supports before anything is timed
  cdr(true);
  cdr(false);
  pelmora_bench::register_sized("Walker/Memcpy", pelmora_bench::BM_Memcpy);
  pelmora_bench::register_sized("Walker/CdrEncodeC", BM_CdrEncode<true>);
  pelmora_bench::register_sized("Walker/WalkEncodeC", BM_WalkEncode<true>);
  pelmora_bench::register_sized("Walker/CdrDecodeC", BM_CdrDecode<true>);
  pelmora_bench::register_sized("Walker/WalkDecodeC", BM_WalkDecode<true>);
  pelmora_bench::register_sized("Walker/CdrEncodeCpp", BM_CdrEncode<false>);
  pelmora_bench::register_sized("Walker/WalkEncodeCpp", BM_WalkEncode<false>);
  pelmora_bench::register_sized("Walker/CdrDecodeCpp", BM_CdrDecode<false>);
  pelmora_bench::register_sized("Walker/WalkDecodeCpp", BM_WalkDecode<false>);
  return pelmora_bench::run_registered(argc, argv);
}
