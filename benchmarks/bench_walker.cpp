// The introspection walker against the CDR type supports, for C records and
// C++ messages, each obtained from its dispatcher as a middleware obtains
// it, and memcpy of the same bytes, all in the same run.
//
//   Walker/Memcpy/keypoints:K        baseline: memcpy of encoded_bytes(K) bytes
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

// Encoded bytes of `message`: the walk's include its 4-byte header.
size_t size_of(bool c, bool walk, const void * message)
{
  return walk ? codec(c).serialized_size(message) : cdr(c).get_serialized_size(message);
}

bool encode(bool c, bool walk, const void * message, Buffer & buffer)
{
  if (walk) {
    auto * data = reinterpret_cast<uint8_t *>(buffer.data());
    return codec(c).encode(message, data, buffer.size(), pelmora_cdr_walker::native_byte_order(), nullptr, nullptr);
  }
  CdrOver out(buffer.data(), buffer.size());
  return cdr(c).cdr_serialize(message, out.cdr);
}

bool decode(bool c, bool walk, Buffer & bytes, void * target)
{
  if (walk) {
    return codec(c).decode(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), target, nullptr);
  }
  CdrOver in(bytes.data(), bytes.size());
  return cdr(c).cdr_deserialize(in.cdr, target);
}

// Encode of a K-keypoint message by the walker (`walk`) or the CDR callbacks.
template<bool C, bool walk>
void BM_Encode(benchmark::State & state)
{
  Messages m(C, static_cast<size_t>(state.range(0)));
  Buffer buffer(size_of(C, walk, m.source()));
  for (auto _ : state) {
    encode(C, walk, m.source(), buffer);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  set_bytes(state, buffer.size());
}

// Decode of the bytes the same encoder wrote, into a reused message.
template<bool C, bool walk>
void BM_Decode(benchmark::State & state)
{
  Messages m(C, static_cast<size_t>(state.range(0)));
  Buffer bytes(size_of(C, walk, m.source()));
  if (!encode(C, walk, m.source(), bytes)) {
    state.SkipWithError("cannot encode the message to decode");
    return;
  }
  for (auto _ : state) {
    if (!decode(C, walk, bytes, m.target())) {
      state.SkipWithError("the decoder refused its encoder's bytes");
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
  pelmora_bench::register_sized("Walker/CdrEncodeC", BM_Encode<true, false>);
  pelmora_bench::register_sized("Walker/WalkEncodeC", BM_Encode<true, true>);
  pelmora_bench::register_sized("Walker/CdrDecodeC", BM_Decode<true, false>);
  pelmora_bench::register_sized("Walker/WalkDecodeC", BM_Decode<true, true>);
  pelmora_bench::register_sized("Walker/CdrEncodeCpp", BM_Encode<false, false>);
  pelmora_bench::register_sized("Walker/WalkEncodeCpp", BM_Encode<false, true>);
  pelmora_bench::register_sized("Walker/CdrDecodeCpp", BM_Decode<false, false>);
  pelmora_bench::register_sized("Walker/WalkDecodeCpp", BM_Decode<false, true>);
  return pelmora_bench::run_registered(argc, argv);
}
