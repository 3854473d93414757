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

template<typename Side>
const Codec & codec()
{
  static const std::unique_ptr<Codec> made =
    pelmora_cdr_walker::make_codec_from_dispatcher(Side::dispatcher(), Side::kLanguageC, nullptr);
  return *made;
}

// Encoded bytes of `message`: the walk's include its 4-byte header.
template<typename Side, bool walk>
size_t size_of(const void * message)
{
  if constexpr (walk) {
    return codec<Side>().serialized_size(message);
  } else {
    return Side::callbacks().get_serialized_size(message);
  }
}

template<typename Side, bool walk>
bool encode(const void * message, Buffer & buffer)
{
  if constexpr (walk) {
    auto * data = reinterpret_cast<uint8_t *>(buffer.data());
    return codec<Side>().encode(message, data, buffer.size(), pelmora_cdr_walker::native_byte_order(), nullptr, nullptr);
  } else {
    CdrOver out(buffer.data(), buffer.size());
    return Side::callbacks().cdr_serialize(message, out.cdr);
  }
}

template<typename Side, bool walk>
bool decode(Buffer & bytes, void * target)
{
  if constexpr (walk) {
    return codec<Side>().decode(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), target, nullptr);
  } else {
    CdrOver in(bytes.data(), bytes.size());
    return Side::callbacks().cdr_deserialize(in.cdr, target);
  }
}

// Encode of a K-keypoint message by the walker (`walk`) or the CDR callbacks.
template<typename Side, bool walk>
void BM_Encode(benchmark::State & state)
{
  const typename Side::Message message = Side::make(static_cast<size_t>(state.range(0)));
  Buffer buffer(size_of<Side, walk>(Side::of(message)));
  for (auto _ : state) {
    encode<Side, walk>(Side::of(message), buffer);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  set_bytes(state, buffer.size());
}

// Decode of the bytes the same encoder wrote, into a reused message.
template<typename Side, bool walk>
void BM_Decode(benchmark::State & state)
{
  const typename Side::Message message = Side::make(static_cast<size_t>(state.range(0)));
  typename Side::Message target = Side::empty();
  Buffer bytes(size_of<Side, walk>(Side::of(message)));
  if (!encode<Side, walk>(Side::of(message), bytes)) {
    state.SkipWithError("cannot encode the message to decode");
    return;
  }
  for (auto _ : state) {
    if (!decode<Side, walk>(bytes, Side::of(target))) {
      state.SkipWithError("the decoder refused its encoder's bytes");
      break;
    }
    benchmark::ClobberMemory();
  }
  set_bytes(state, bytes.size());
}

// Loads the language's type supports before anything is timed, then
// registers its four benchmarks.
template<typename Side>
void register_language(const std::string & language)
{
  codec<Side>();
  Side::callbacks();
  pelmora_bench::register_sized("Walker/CdrEncode" + language, BM_Encode<Side, false>);
  pelmora_bench::register_sized("Walker/WalkEncode" + language, BM_Encode<Side, true>);
  pelmora_bench::register_sized("Walker/CdrDecode" + language, BM_Decode<Side, false>);
  pelmora_bench::register_sized("Walker/WalkDecode" + language, BM_Decode<Side, true>);
}

}  // namespace

int main(int argc, char ** argv)
{
  pelmora_bench::register_sized("Walker/Memcpy", pelmora_bench::BM_Memcpy);
  register_language<pelmora_bench::CFeatures>("C");
  register_language<pelmora_bench::CppFeatures>("Cpp");
  return pelmora_bench::run_registered(argc, argv);
}
