// The benchmarks of a Fast-CDR callbacks record, written once for the C and
// the C++ message. A Side (CFeatures, CppFeatures) names the message and how
// to reach it:
//
//   struct Side {
//     using Message = ...;
//     static constexpr bool kLanguageC;         // a C record, not a C++ message
//     static constexpr const char * kIdentifier;  // its Fast-CDR type support
//     static const rosidl_message_type_support_t * dispatcher();
//     static const message_type_support_callbacks_t & callbacks();
//     static Message make(size_t keypoints);   // a K-keypoint message
//     static Message empty();                   // a message to decode into
//     static const void * of(const Message &);  // what the callbacks take
//     static void * of(Message &);
//     static const void * storage(const Message &);  // descriptor's elements
//   };
//
// Encode and Decode time a codec of the Side's message: its CDR callbacks
// (CdrCodec) unless another one is given.
#ifndef PELMORA_BENCHMARKS__CALLBACKS_BENCHMARKS_HPP_
#define PELMORA_BENCHMARKS__CALLBACKS_BENCHMARKS_HPP_

#include <benchmark/benchmark.h>

#include <string>

#include "bench_common.hpp"

namespace pelmora_bench
{

/// The CDR callbacks record of a Side, as the codec that Encode and Decode
/// below time (bench_walker.cpp times the walker's through them too).
template<typename Side>
struct CdrCodec
{
  static constexpr const char * kEncodeFailed = "cdr_serialize failed";
  static constexpr const char * kDecodeFailed = "cdr_deserialize failed";
  const message_type_support_callbacks_t & cb = Side::callbacks();

  size_t size(const void * message) const {return cb.get_serialized_size(message);}
  bool encode(const void * message, Buffer & buffer) const
  {
    CdrOver out(buffer.data(), buffer.size());
    return cb.cdr_serialize(message, out.cdr);
  }
  bool decode(Buffer & bytes, void * target) const
  {
    CdrOver in(bytes.data(), bytes.size());
    return cb.cdr_deserialize(in.cdr, target);
  }
};

template<typename Side, typename Codec = CdrCodec<Side>>
struct CallbackBenchmarks
{
  using Message = typename Side::Message;

  static void Encode(benchmark::State & state)
  {
    const Message message = Side::make(static_cast<size_t>(state.range(0)));
    const Codec codec{};
    Buffer buffer(codec.size(Side::of(message)));
    for (auto _ : state) {
      if (!codec.encode(Side::of(message), buffer)) {
        state.SkipWithError(Codec::kEncodeFailed);
        break;
      }
      benchmark::DoNotOptimize(buffer.data());
      benchmark::ClobberMemory();
    }
    set_bytes(state, buffer.size());
  }

  // Decode of the bytes the same codec wrote into one message, reused;
  // `fresh` makes a new one on every call instead.
  template<bool fresh>
  static void Decode(benchmark::State & state)
  {
    const Codec codec{};
    const Message source = Side::make(static_cast<size_t>(state.range(0)));
    Buffer bytes(codec.size(Side::of(source)));
    if (!codec.encode(Side::of(source), bytes)) {
      state.SkipWithError("cannot encode the message to decode");
      return;
    }
    auto decode = [&](Message & target) {
        const bool ok = codec.decode(bytes, Side::of(target));
        benchmark::DoNotOptimize(Side::storage(target));
        return ok;
      };
    Message reused = Side::empty();
    for (auto _ : state) {
      bool ok = false;
      if constexpr (fresh) {
        Message target = Side::empty();
        ok = decode(target);
      } else {
        ok = decode(reused);
      }
      if (!ok) {
        state.SkipWithError(Codec::kDecodeFailed);
        break;
      }
      benchmark::ClobberMemory();
    }
    set_bytes(state, bytes.size());
  }

  static void SerializedSize(benchmark::State & state)
  {
    const Message message = Side::make(static_cast<size_t>(state.range(0)));
    const message_type_support_callbacks_t & cb = Side::callbacks();
    uint32_t size = 0;
    for (auto _ : state) {
      benchmark::DoNotOptimize(Side::of(message));
      size = cb.get_serialized_size(Side::of(message));
      benchmark::DoNotOptimize(size);
    }
    state.counters["bytes"] = static_cast<double>(size);
  }

  static void EmptyRoundTrip(benchmark::State & state)
  {
    const Message source = Side::make(0);
    Message target = Side::empty();
    const message_type_support_callbacks_t & cb = Side::callbacks();
    char buffer[64];
    for (auto _ : state) {
      CdrOver out(buffer, sizeof(buffer));
      CdrOver in(buffer, sizeof(buffer));
      if (!cb.cdr_serialize(Side::of(source), out.cdr) || !cb.cdr_deserialize(in.cdr, Side::of(target))) {
        state.SkipWithError("round trip failed");
        break;
      }
      benchmark::ClobberMemory();
    }
  }

  // Registers the benchmarks under `prefix` ("C", "Cpp"), with the memcpy
  // baseline of the same run; DecodeFresh when `decode_fresh`.
  static void register_all(const std::string & prefix, bool decode_fresh)
  {
    Side::callbacks();  // load the type support before anything is timed
    register_sized(prefix + "/Memcpy", BM_Memcpy);
    register_sized(prefix + "/Encode", Encode);
    register_sized(prefix + "/Decode", Decode<false>);
    if (decode_fresh) {
      register_sized(prefix + "/DecodeFresh", Decode<true>);
    }
    register_sized(prefix + "/SerializedSize", SerializedSize);
    benchmark::RegisterBenchmark((prefix + "/EmptyRoundTrip").c_str(), EmptyRoundTrip);
  }
};

}  // namespace pelmora_bench

#endif  // PELMORA_BENCHMARKS__CALLBACKS_BENCHMARKS_HPP_
