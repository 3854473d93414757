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
#include "callbacks_benchmarks.hpp"
#include "cpp_features.hpp"
#include "pelmora_cdr_walker/walker.hpp"

namespace
{

using pelmora_bench::Buffer;

// The walker's codec of a Side's message, made once from its dispatcher; its
// encoding includes the 4-byte header.
template<typename Side>
struct WalkCodec
{
  static constexpr const char * kEncodeFailed = "the walker could not encode the message";
  static constexpr const char * kDecodeFailed = "the decoder refused its encoder's bytes";
  const pelmora_cdr_walker::Codec & codec = made();

  static const pelmora_cdr_walker::Codec & made()
  {
    static const std::unique_ptr<pelmora_cdr_walker::Codec> c =
      pelmora_cdr_walker::make_codec_from_dispatcher(Side::dispatcher(), Side::kLanguageC, nullptr);
    return *c;
  }
  size_t size(const void * message) const {return codec.serialized_size(message);}
  bool encode(const void * message, Buffer & buffer) const
  {
    auto * data = reinterpret_cast<uint8_t *>(buffer.data());
    return codec.encode(message, data, buffer.size(), pelmora_cdr_walker::native_byte_order(), nullptr, nullptr);
  }
  bool decode(Buffer & bytes, void * target) const
  {
    return codec.decode(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), target, nullptr);
  }
};

// Loads the language's type supports before anything is timed, then
// registers encode and decode (into a reused message) by the CDR callbacks
// and by the walker.
template<typename Side>
void register_language(const std::string & language)
{
  using Cdr = pelmora_bench::CallbackBenchmarks<Side>;
  using Walk = pelmora_bench::CallbackBenchmarks<Side, WalkCodec<Side>>;
  WalkCodec<Side>::made();
  Side::callbacks();
  pelmora_bench::register_sized("Walker/CdrEncode" + language, Cdr::Encode);
  pelmora_bench::register_sized("Walker/WalkEncode" + language, Walk::Encode);
  pelmora_bench::register_sized("Walker/CdrDecode" + language, Cdr::template Decode<false>);
  pelmora_bench::register_sized("Walker/WalkDecode" + language, Walk::template Decode<false>);
}

}  // namespace

int main(int argc, char ** argv)
{
  pelmora_bench::register_sized("Walker/Memcpy", pelmora_bench::BM_Memcpy);
  register_language<pelmora_bench::CFeatures>("C");
  register_language<pelmora_bench::CppFeatures>("Cpp");
  return pelmora_bench::run_registered(argc, argv);
}
