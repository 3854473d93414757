// libpelmora_cv against a copy of the same bytes into new memory, all in
// the same run, for ORB-like keypoints (32-byte descriptors, random values):
//
//   FeaturesCv/VectorCopy/keypoints:K   baseline: the message's eight sequences
//                                       copied into eight new std::vector<char>,
//                                       new memory as the conversions make it
//   FeaturesCv/ToMessage/keypoints:K    keypoints and descriptors to a new message
//   FeaturesCv/FromMessage/keypoints:K  that message back to keypoints and a Mat
//
// and view() of a sample against the C++ decoder, for messages of the
// codec benchmarks' shape (pelmora_testing's cpp_features.hpp):
//
//   FeaturesCv/CppDecode/keypoints:K    baseline: the C++ CDR type support decodes
//                                       the sample's body into a new message
//   FeaturesCv/View/keypoints:K         view() of the same sample, header included
//
// features_cv_report.py turns the JSON output into the ratios.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "bench_common.hpp"
#include "callbacks_benchmarks.hpp"
#include "cpp_features.hpp"
#include "pelmora/msg/detail/features__fields.h"
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_cpp.hpp"
#include "pelmora_cv/keypoints.hpp"
#include "pelmora_cv/view.hpp"

namespace
{

const std::vector<int64_t> kKeypointCounts{2000, 100000};
// From the empty message to 60 MB; 17,477 keypoints is the first 1 MiB one.
const std::vector<int64_t> kViewCounts{0, 1000, 17477, 1000000};

// The C++ message and its CDR type support, linked rather than loaded
// through the dispatcher.
struct LinkedCppFeatures : pelmora_bench::CppFeatures
{
  static const message_type_support_callbacks_t & callbacks()
  {
    return pelmora_bench::callbacks_of(
      rosidl_typesupport_fastrtps_cpp__get_message_type_support_handle__pelmora__msg__Features());
  }
};
using CppCodec = pelmora_bench::CallbackBenchmarks<LinkedCppFeatures>;

// K keypoints spread over a 741 × 500 image at ORB's eight scales, as ORB
// reports them, with random 32-byte descriptors.
struct OrbLike
{
  explicit OrbLike(int keypoints)
  : descriptors(keypoints, 32, CV_8U)
  {
    std::mt19937 random(21);
    std::uniform_real_distribution<float> x(0.f, 741.f);
    std::uniform_real_distribution<float> y(0.f, 500.f);
    std::uniform_real_distribution<float> angle(0.f, 360.f);
    std::uniform_real_distribution<float> response(0.f, 0.01f);
    std::uniform_int_distribution<int> octave(0, 7);
    for (int i = 0; i < keypoints; ++i) {
      const int level = octave(random);
      this->keypoints.emplace_back(
        x(random), y(random), 31.f * std::pow(1.2f, level), angle(random), response(random),
        level, -1);
    }
    cv::randu(descriptors, cv::Scalar(0), cv::Scalar(256));
  }

  std::vector<cv::KeyPoint> keypoints;
  cv::Mat descriptors;
};

template<typename Element>
std::vector<char> bytes_of(const std::vector<Element> & sequence)
{
  const auto * first = reinterpret_cast<const char *>(sequence.data());
  return std::vector<char>(first, first + sequence.size() * sizeof(Element));
}

void BM_VectorCopy(benchmark::State & state)
{
  const OrbLike orb(static_cast<int>(state.range(0)));
  const pelmora::msg::Features message = pelmora_cv::to_message(orb.keypoints, orb.descriptors);
  for (auto _ : state) {
#define PELMORA_CV_BENCH_COPY(field) bytes_of(message.field),
    std::vector<char> copies[] = {
      PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_CV_BENCH_COPY, PELMORA_CV_BENCH_COPY)};
#undef PELMORA_CV_BENCH_COPY
    benchmark::DoNotOptimize(copies);
    benchmark::ClobberMemory();
  }
  pelmora_bench::set_bytes(state, pelmora_bench::encoded_bytes(orb.keypoints.size()));
}

void BM_ToMessage(benchmark::State & state)
{
  const OrbLike orb(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    pelmora::msg::Features message = pelmora_cv::to_message(orb.keypoints, orb.descriptors);
    benchmark::DoNotOptimize(message.descriptor.data());
    benchmark::ClobberMemory();
  }
  pelmora_bench::set_bytes(state, pelmora_bench::encoded_bytes(orb.keypoints.size()));
}

void BM_FromMessage(benchmark::State & state)
{
  const OrbLike orb(static_cast<int>(state.range(0)));
  const pelmora::msg::Features message = pelmora_cv::to_message(orb.keypoints, orb.descriptors);
  for (auto _ : state) {
    pelmora_cv::Keypoints back = pelmora_cv::from_message(message);
    benchmark::DoNotOptimize(back.descriptors.data);
    benchmark::ClobberMemory();
  }
  pelmora_bench::set_bytes(state, pelmora_bench::encoded_bytes(orb.keypoints.size()));
}

void BM_View(benchmark::State & state)
{
  const pelmora::msg::Features message = pelmora_bench::make_message(static_cast<size_t>(state.range(0)));
  const pelmora_bench::CdrCodec<LinkedCppFeatures> codec;
  // The sample as a middleware hands it over: the little-endian header, then
  // the body, in memory aligned as operator new aligns it.
  const size_t body = codec.size(&message);
  std::vector<uint32_t> words(1 + (body + 3) / 4);
  pelmora_bench::Buffer bytes(body);
  if (!codec.encode(&message, bytes)) {
    state.SkipWithError("cannot encode the message to view");
    return;
  }
  auto * sample = reinterpret_cast<char *>(words.data());
  const char header[4] = {0x00, 0x01, 0x00, 0x00};
  std::memcpy(sample, header, sizeof(header));
  std::memcpy(sample + sizeof(header), bytes.data(), body);
  for (auto _ : state) {
    const pelmora_cv::FeaturesView view = pelmora_cv::view(sample, sizeof(header) + body);
    benchmark::DoNotOptimize(view.angle.data());
  }
  pelmora_bench::set_bytes(state, sizeof(header) + body);
}

}  // namespace

int main(int argc, char ** argv)
{
  pelmora_bench::register_sized("FeaturesCv/VectorCopy", BM_VectorCopy, kKeypointCounts);
  pelmora_bench::register_sized("FeaturesCv/ToMessage", BM_ToMessage, kKeypointCounts);
  pelmora_bench::register_sized("FeaturesCv/FromMessage", BM_FromMessage, kKeypointCounts);
  pelmora_bench::register_sized("FeaturesCv/CppDecode", CppCodec::Decode<true>, kViewCounts);
  pelmora_bench::register_sized("FeaturesCv/View", BM_View, kViewCounts);
  return pelmora_bench::run_registered(argc, argv);
}
