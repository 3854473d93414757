// How the keypoints convention (README) turns a size or a response into a
// uint32: rounded to the nearest integer with ties to even, then clamped.
// Written once for whatever in pelmora_cv rounds: libpelmora_cv, and the
// Python module's extension _rounding, so that both languages round alike.
#ifndef PELMORA_CV__ROUNDING_HPP_
#define PELMORA_CV__ROUNDING_HPP_

#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace pelmora_cv
{

/// Millionths per unit of response.
constexpr double kMillionths = 1e6;

/// `value` rounded to the nearest integer, ties to even (as OpenCV's
/// cvRound and NumPy's rint round, so every language gets the same
/// integer), clamped to 0…4294967295; NaN gives 0. Inline and without a
/// call into libm: it runs twice per keypoint.
inline uint32_t rounded_and_clamped(double value)
{
  constexpr double kLargest = std::numeric_limits<uint32_t>::max();
  if (!(value > 0.0)) {
    return 0;
  }
  if (value >= kLargest) {
    return std::numeric_limits<uint32_t>::max();
  }
  // Between 2^52 and 2^53 doubles are the integers: adding 2^52 rounds
  // `value` in the default rounding mode, to nearest with ties to even, and
  // taking it away again is exact.
  constexpr double kTwoToThe52 = 4503599627370496.0;
  return static_cast<uint32_t>((value + kTwoToThe52) - kTwoToThe52);
}

#if defined(__SSE2__)

/// rounded_and_clamped() of the four floats of `values` times `scale` (the
/// product in double): maxpd takes 0 over NaN and negatives, minpd caps at
/// 4294967295, and adding 2^52 rounds to an integer, ties to even, whose
/// low 32 bits are the double's low 32 bits.
inline __m128i rounded_and_clamped4(__m128 values, double scale)
{
  const __m128d zero = _mm_setzero_pd();
  const __m128d largest = _mm_set1_pd(std::numeric_limits<uint32_t>::max());
  const __m128d two_to_the_52 = _mm_set1_pd(4503599627370496.0);
  const __m128d factor = _mm_set1_pd(scale);
  __m128d low = _mm_mul_pd(_mm_cvtps_pd(values), factor);
  __m128d high = _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(values, values)), factor);
  low = _mm_add_pd(_mm_min_pd(_mm_max_pd(low, zero), largest), two_to_the_52);
  high = _mm_add_pd(_mm_min_pd(_mm_max_pd(high, zero), largest), two_to_the_52);
  return _mm_castps_si128(
    _mm_shuffle_ps(_mm_castpd_ps(low), _mm_castpd_ps(high), _MM_SHUFFLE(2, 0, 2, 0)));
}

#endif

#if defined(__x86_64__)

/// The low 32 bits of each of four doubles, in order.
__attribute__((target("avx"))) inline __m128 low_words(__m256d four)
{
  return _mm_shuffle_ps(_mm_castpd_ps(_mm256_castpd256_pd128(four)),
           _mm_castpd_ps(_mm256_extractf128_pd(four, 1)), _MM_SHUFFLE(2, 0, 2, 0));
}

/// rounded_and_clamped4() of the eight floats of `values`, in AVX's
/// four-double registers: half the instructions of two
/// rounded_and_clamped4(). Only for a processor that has AVX
/// (__builtin_cpu_supports("avx")); x86-64 itself guarantees SSE2 only.
__attribute__((target("avx"))) inline __m256 rounded_and_clamped8(__m256 values, double scale)
{
  const __m256d zero = _mm256_setzero_pd();
  const __m256d largest = _mm256_set1_pd(std::numeric_limits<uint32_t>::max());
  const __m256d two_to_the_52 = _mm256_set1_pd(4503599627370496.0);
  const __m256d factor = _mm256_set1_pd(scale);
  __m256d low = _mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(values)), factor);
  __m256d high = _mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(values, 1)), factor);
  low = _mm256_add_pd(_mm256_min_pd(_mm256_max_pd(low, zero), largest), two_to_the_52);
  high = _mm256_add_pd(_mm256_min_pd(_mm256_max_pd(high, zero), largest), two_to_the_52);
  return _mm256_set_m128(low_words(high), low_words(low));
}

/// rounded_and_clamped() of the eight floats of `values` times `scale`
/// with AVX-512 (only where __builtin_cpu_supports("avx512f")): the
/// products in one register of eight doubles, maxpd taking 0 over NaN and
/// negatives, and the conversion to uint32 rounding to nearest, ties to
/// even, and giving 4294967295 for whatever rounds past it.
__attribute__((target("avx512f"))) inline __m256i rounded_and_clamped8_avx512(__m256 values, double scale)
{
  // The zero-masking forms with every lane selected: GCC 12's plain forms
  // start from an undefined register and warn (-Wmaybe-uninitialized).
  constexpr __mmask8 kAll = 0xFF;
  const __m512d product = _mm512_mul_pd(_mm512_maskz_cvtps_pd(kAll, values), _mm512_set1_pd(scale));
  return _mm512_maskz_cvt_roundpd_epu32(kAll, _mm512_maskz_max_pd(kAll, product, _mm512_setzero_pd()),
           _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
}

#endif

}  // namespace pelmora_cv

#endif  // PELMORA_CV__ROUNDING_HPP_
