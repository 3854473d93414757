// libpelmora_cv against a copy of the same bytes into new memory, all in
// the same run, for ORB-like keypoints (32-byte descriptors, random values):
//
//   FeaturesCv/VectorCopy/keypoints:K   baseline: the message's eight sequences
//                                       copied into eight new std::vector<char>,
//                                       new memory as the conversions make it
//   FeaturesCv/ToMessage/keypoints:K    keypoints and descriptors to a new message
//   FeaturesCv/FromMessage/keypoints:K  that message back to keypoints and a Mat
//
// features_cv_report.py turns the JSON output into the ratios.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "bench_common.hpp"
#include "pelmora/msg/detail/features__fields.h"
#include "pelmora_cv/keypoints.hpp"

namespace
{

const std::vector<int64_t> kKeypointCounts{2000, 100000};

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

}  // namespace

int main(int argc, char ** argv)
{
  pelmora_bench::register_sized("FeaturesCv/VectorCopy", BM_VectorCopy, kKeypointCounts);
  pelmora_bench::register_sized("FeaturesCv/ToMessage", BM_ToMessage, kKeypointCounts);
  pelmora_bench::register_sized("FeaturesCv/FromMessage", BM_FromMessage, kKeypointCounts);
  return pelmora_bench::run_registered(argc, argv);
}
