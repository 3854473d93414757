// A message back into keypoints and a descriptor Mat: from_message.
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "convention.hpp"
#include "pelmora_cv/keypoints.hpp"
#include "processor.hpp"

namespace pelmora_cv
{

namespace
{

constexpr size_t kLargestMatSide = std::numeric_limits<int>::max();

// The bytes of one element of `depth`, after checking that it is a depth of
// one channel and that B holds a whole number of such elements.
size_t element_bytes(int depth, uint32_t descriptor_bytes)
{
  if (depth != CV_MAT_DEPTH(depth)) {
    refuse("descriptor_depth", depth, " is not the depth of one channel "
      "(CV_8U, CV_8S, CV_16U, CV_16S, CV_32S, CV_32F, CV_64F, CV_16F)");
  }
  const size_t bytes = CV_ELEM_SIZE1(depth);
  if (descriptor_bytes % bytes != 0) {
    refuse("descriptorsize", descriptor_bytes, " bytes are not a whole number of ", bytes,
      "-byte elements of descriptor_depth ", depth);
  }
  return bytes;
}

// The N × (B / element) Mat, filled from the words with one copy: in one go
// when the rows leave no padding, else row by row past each row's padding.
cv::Mat unpack(const pelmora::msg::Features & message, int depth, size_t element)
{
  const size_t rows = message.keypointnumber;
  const size_t bytes = message.descriptorsize;
  if (rows > kLargestMatSide || bytes / element > kLargestMatSide) {
    refuse("descriptorsize", rows, " descriptors of ", bytes,
      " bytes do not fit the int sides of a Mat");
  }
  cv::Mat descriptors(static_cast<int>(rows), static_cast<int>(bytes / element), depth);
  if (rows == 0) {
    return descriptors;  // nor may memcpy be handed the words' storage, which may be null
  }
  const auto * packed = reinterpret_cast<const uint8_t *>(message.descriptor.data());
  if (bytes % kWordBytes == 0) {
    std::memcpy(descriptors.data, packed, rows * bytes);
    return descriptors;
  }
  const size_t stride = words_per_descriptor(bytes) * kWordBytes;
  for (size_t i = 0; i < rows; ++i) {
    std::memcpy(descriptors.ptr(static_cast<int>(i)), packed + i * stride, bytes);
  }
  return descriptors;
}

// Where the per-keypoint items of a well-formed message lie.
struct Columns
{
  // Those of keypoints `first` on.
  Columns(const pelmora::msg::Features & message, size_t first)
  : uniqueid(message.uniqueid.data() + first), patternzise(message.patternzise.data() + first),
    confidence(message.confidence.data() + first), x(message.x.data() + first),
    y(message.y.data() + first), angle(message.angle.data() + first) {}

  const uint32_t * uniqueid;
  const uint32_t * patternzise;
  const uint32_t * confidence;
  const float * x;
  const float * y;
  const float * angle;
};

cv::KeyPoint keypoint(const Columns & in, size_t i)
{
  return cv::KeyPoint(cv::Point2f(in.x[i], in.y[i]), static_cast<float>(in.patternzise[i]),
           in.angle[i], response(in.confidence[i]), 0, class_id(in.uniqueid[i]));
}

// The SIMD paths below make keypoint j of a group as seven floats from
// float 7j: (x, y, size, angle) stored at 7j and (angle, response, octave,
// class_id) at 7j + 3, the two stores agreeing on the angle. The inverse of
// to_message's, with the same transposition.
static_assert(sizeof(cv::KeyPoint) == 7 * sizeof(float), "cv::KeyPoint is seven 4-byte members");

#if defined(__SSE2__)

// static_cast<float>() of four uint32: the high and the low 16 bits convert
// exactly, and their sum rounds once, to nearest as the cast does.
__m128 floats_of(__m128i values)
{
  const __m128 high = _mm_cvtepi32_ps(_mm_srli_epi32(values, 16));
  const __m128 low = _mm_cvtepi32_ps(_mm_and_si128(values, _mm_set1_epi32(0xFFFF)));
  return _mm_add_ps(_mm_mul_ps(high, _mm_set1_ps(65536.0f)), low);
}

// The low two uint32 of `values` as exact doubles: as int32 after taking
// away 2^31, then adding it back.
__m128d doubles_of_two(__m128i values)
{
  return _mm_add_pd(
    _mm_cvtepi32_pd(_mm_xor_si128(values, _mm_set1_epi32(static_cast<int>(0x80000000u)))),
    _mm_set1_pd(2147483648.0));
}

// response() of two confidences (the low two of `values`): exact in
// double, times the double nearest 10^-6, rounded to float.
__m128 responses_of_two(__m128i values)
{
  return _mm_cvtpd_ps(_mm_mul_pd(doubles_of_two(values), _mm_set1_pd(1 / kMillionths)));
}

__m128i words(const uint32_t * items)
{
  return _mm_loadu_si128(reinterpret_cast<const __m128i *>(items));
}

// Fast path (every x86-64 has SSE2): keypoints from `first` on, four at a
// time, while four are left of `count`, into out[first...]. Returns the
// index it stopped at.
size_t read_four_at_a_time(const Columns & in, size_t first, size_t count, cv::KeyPoint * out)
{
  size_t i = first;
  for (; i + 4 <= count; i += 4) {
    const __m128 x = _mm_loadu_ps(in.x + i);
    const __m128 y = _mm_loadu_ps(in.y + i);
    const __m128 angle = _mm_loadu_ps(in.angle + i);
    const __m128 size = floats_of(words(in.patternzise + i));
    const __m128i confidence = words(in.confidence + i);
    const __m128 response = _mm_movelh_ps(responses_of_two(confidence),
        responses_of_two(_mm_shuffle_epi32(confidence, _MM_SHUFFLE(3, 2, 3, 2))));
    const __m128 class_id = _mm_castsi128_ps(words(in.uniqueid + i));
    const __m128 octave = _mm_setzero_ps();
    const __m128 xy01 = _mm_unpacklo_ps(x, y), xy23 = _mm_unpackhi_ps(x, y);  // x0 y0 x1 y1
    const __m128 sa01 = _mm_unpacklo_ps(size, angle), sa23 = _mm_unpackhi_ps(size, angle);
    const __m128 ar01 = _mm_unpacklo_ps(angle, response), ar23 = _mm_unpackhi_ps(angle, response);
    const __m128 oc01 = _mm_unpacklo_ps(octave, class_id), oc23 = _mm_unpackhi_ps(octave, class_id);
    float * p = &out[i].pt.x;
    _mm_storeu_ps(p, _mm_movelh_ps(xy01, sa01));
    _mm_storeu_ps(p + 3, _mm_movelh_ps(ar01, oc01));
    _mm_storeu_ps(p + 7, _mm_movehl_ps(sa01, xy01));
    _mm_storeu_ps(p + 10, _mm_movehl_ps(oc01, ar01));
    _mm_storeu_ps(p + 14, _mm_movelh_ps(xy23, sa23));
    _mm_storeu_ps(p + 17, _mm_movelh_ps(ar23, oc23));
    _mm_storeu_ps(p + 21, _mm_movehl_ps(sa23, xy23));
    _mm_storeu_ps(p + 24, _mm_movehl_ps(oc23, ar23));
  }
  return i;
}

#else

size_t read_four_at_a_time(const Columns &, size_t first, size_t, cv::KeyPoint *)
{
  return first;
}

#endif

#if defined(__x86_64__)

// doubles_of_two() of four uint32.
__attribute__((target("avx"))) __m256d doubles_of_four(__m128i values)
{
  return _mm256_add_pd(
    _mm256_cvtepi32_pd(_mm_xor_si128(values, _mm_set1_epi32(static_cast<int>(0x80000000u)))),
    _mm256_set1_pd(2147483648.0));
}

// Stores keypoints j and j + 4 of eight at p, whose halves (x, y, size,
// angle) and (angle, response, octave, class_id) are the lanes of `front`
// and `back`.
__attribute__((target("avx"))) void store_two(float * p, int j, __m256 front, __m256 back)
{
  _mm_storeu_ps(p + 7 * j, _mm256_castps256_ps128(front));
  _mm_storeu_ps(p + 7 * j + 3, _mm256_castps256_ps128(back));
  _mm_storeu_ps(p + 7 * (j + 4), _mm256_extractf128_ps(front, 1));
  _mm_storeu_ps(p + 7 * (j + 4) + 3, _mm256_extractf128_ps(back, 1));
}

// read_four_at_a_time() eight at a time from `first` where the processor
// has AVX: keypoints 0 to 3 in the low lanes and 4 to 7 in the high ones,
// the same conversions and unpacking lane by lane, and VEX code that keeps
// the registers the four-at-a-time loop copies. Returns the index it
// stopped at.
__attribute__((target("avx")))
size_t read_eight_at_a_time(const Columns & columns, size_t first, size_t count, cv::KeyPoint * out)
{
  // A copy: the stores below could alias the caller's, which the compiler
  // would then read again every round.
  const Columns in = columns;
  const __m256d millionth = _mm256_set1_pd(1 / kMillionths);
  size_t i = first;
  for (; i + 8 <= count; i += 8) {
    const __m256 x = _mm256_loadu_ps(in.x + i);
    const __m256 y = _mm256_loadu_ps(in.y + i);
    const __m256 angle = _mm256_loadu_ps(in.angle + i);
    // AVX has no 256-bit integer instructions: the uint32 convert by halves.
    const __m256 size = _mm256_set_m128(floats_of(words(in.patternzise + i + 4)),
        floats_of(words(in.patternzise + i)));
    const __m256 response = _mm256_set_m128(
      _mm256_cvtpd_ps(_mm256_mul_pd(doubles_of_four(words(in.confidence + i + 4)), millionth)),
      _mm256_cvtpd_ps(_mm256_mul_pd(doubles_of_four(words(in.confidence + i)), millionth)));
    const __m256 class_id = _mm256_loadu_ps(reinterpret_cast<const float *>(in.uniqueid + i));
    const __m256 octave = _mm256_setzero_ps();
    const __m256 xy01 = _mm256_unpacklo_ps(x, y), xy23 = _mm256_unpackhi_ps(x, y);
    const __m256 sa01 = _mm256_unpacklo_ps(size, angle), sa23 = _mm256_unpackhi_ps(size, angle);
    const __m256 ar01 = _mm256_unpacklo_ps(angle, response), ar23 = _mm256_unpackhi_ps(angle, response);
    const __m256 oc01 = _mm256_unpacklo_ps(octave, class_id), oc23 = _mm256_unpackhi_ps(octave, class_id);
    constexpr int kLow = _MM_SHUFFLE(1, 0, 1, 0), kHigh = _MM_SHUFFLE(3, 2, 3, 2);  // of each pair
    float * p = &out[i].pt.x;
    store_two(p, 0, _mm256_shuffle_ps(xy01, sa01, kLow), _mm256_shuffle_ps(ar01, oc01, kLow));
    store_two(p, 1, _mm256_shuffle_ps(xy01, sa01, kHigh), _mm256_shuffle_ps(ar01, oc01, kHigh));
    store_two(p, 2, _mm256_shuffle_ps(xy23, sa23, kLow), _mm256_shuffle_ps(ar23, oc23, kLow));
    store_two(p, 3, _mm256_shuffle_ps(xy23, sa23, kHigh), _mm256_shuffle_ps(ar23, oc23, kHigh));
  }
  return i;
}

// Where float t of the sixteen in store k of read_sixteen_at_a_time()
// comes from. The sixteen keypoints are 112 floats, seven stores of
// sixteen; float f is member f mod 7 of keypoint f / 7. Each store is
// gathered from the member registers by three two-register permutes (x
// or y, size or angle, response or class_id) and two blends; octave's
// lanes are zeroed.
struct SixteenLayout
{
  alignas(64) int32_t xy[7][16];
  alignas(64) int32_t sa[7][16];
  alignas(64) int32_t rc[7][16];
  uint16_t sa_lanes[7];      // lanes taken from the size-angle permute
  uint16_t rc_lanes[7];      // lanes taken from the response-octave-class_id one
  uint16_t not_octave[7];    // lanes of that permute that are not octave's
};

constexpr SixteenLayout sixteen_layout()
{
  SixteenLayout layout{};
  for (int k = 0; k < 7; ++k) {
    for (int t = 0; t < 16; ++t) {
      const int f = 16 * k + t;
      const int keypoint = f / 7;
      const int member = f % 7;  // x, y, size, angle, response, octave, class_id
      // Index j picks lane j of a permute's first register, 16 + j lane j
      // of its second: y, angle or class_id.
      const int second = member == 1 || member == 3 || member == 6 ? 16 : 0;
      const auto bit = static_cast<uint16_t>(1u << t);
      if (member < 2) {
        layout.xy[k][t] = second + keypoint;
      } else if (member < 4) {
        layout.sa[k][t] = second + keypoint;
        layout.sa_lanes[k] |= bit;
      } else {
        layout.rc[k][t] = second + keypoint;
        layout.rc_lanes[k] |= bit;
      }
      if (member != 5) {
        layout.not_octave[k] |= bit;
      }
    }
  }
  return layout;
}

constexpr SixteenLayout kSixteen = sixteen_layout();

// response() of eight confidences, with AVX-512.
__attribute__((target("avx512f"))) inline __m256 responses_of_eight(const uint32_t * confidence)
{
  // The zero-masking forms with every lane selected: GCC 12's plain forms
  // start from an undefined register and warn (-Wmaybe-uninitialized).
  constexpr __mmask8 kAll = 0xFF;
  const __m512d exact = _mm512_maskz_cvtepu32_pd(kAll,
      _mm256_loadu_si256(reinterpret_cast<const __m256i *>(confidence)));
  return _mm512_maskz_cvtpd_ps(kAll, _mm512_mul_pd(exact, _mm512_set1_pd(1 / kMillionths)));
}

// read_four_at_a_time() sixteen at a time where the processor has
// AVX-512: one conversion each for the sizes and, through double, the
// responses, then the keypoints gathered into seven full stores
// (SixteenLayout) where the narrower loops store each keypoint in two
// overlapping halves. Returns the index it stopped at.
__attribute__((target("avx512f")))
size_t read_sixteen_at_a_time(const Columns & columns, size_t count, cv::KeyPoint * out)
{
  const Columns in = columns;
  constexpr __mmask16 kAll = 0xFFFF;  // as in responses_of_eight()
  constexpr __mmask8 kAll8 = 0xFF;
  size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m512 x = _mm512_loadu_ps(in.x + i);
    const __m512 y = _mm512_loadu_ps(in.y + i);
    const __m512 size = _mm512_maskz_cvtepu32_ps(kAll, _mm512_loadu_si512(in.patternzise + i));
    const __m512 angle = _mm512_loadu_ps(in.angle + i);
    const __m512d low = _mm512_maskz_insertf64x4(kAll8, _mm512_setzero_pd(),
        _mm256_castps_pd(responses_of_eight(in.confidence + i)), 0);
    const __m512 response = _mm512_castpd_ps(_mm512_maskz_insertf64x4(kAll8, low,
        _mm256_castps_pd(responses_of_eight(in.confidence + i + 8)), 1));
    const __m512 class_id = _mm512_loadu_ps(reinterpret_cast<const float *>(in.uniqueid + i));
    float * p = &out[i].pt.x;
#pragma GCC unroll 7
    for (int k = 0; k < 7; ++k) {
      const __m512 xy = _mm512_permutex2var_ps(x, _mm512_load_si512(kSixteen.xy[k]), y);
      const __m512 sa = _mm512_permutex2var_ps(size, _mm512_load_si512(kSixteen.sa[k]), angle);
      const __m512 rc = _mm512_maskz_permutex2var_ps(
        kSixteen.not_octave[k], response, _mm512_load_si512(kSixteen.rc[k]), class_id);
      const __m512 front = _mm512_mask_blend_ps(kSixteen.sa_lanes[k], xy, sa);
      _mm512_storeu_ps(p + 16 * k, _mm512_mask_blend_ps(kSixteen.rc_lanes[k], front, rc));
    }
  }
  return i;
}

#else

size_t read_eight_at_a_time(const Columns &, size_t first, size_t, cv::KeyPoint *)
{
  return first;
}

size_t read_sixteen_at_a_time(const Columns &, size_t, cv::KeyPoint *)
{
  return 0;
}

#endif

// The keypoints of a well-formed message, a block at a time: made in a
// block on the stack, which stays in the cache, then copied behind the
// others, so that the vector's memory is written once (resize() would
// construct every keypoint before it is overwritten).
void read_keypoints(const pelmora::msg::Features & message, std::vector<cv::KeyPoint> & out)
{
  constexpr size_t kBlock = 256;
  // Aligned to the cache line, so that the sixteen-at-a-time loop's stores
  // (448 bytes per sixteen keypoints) each fill one line.
  alignas(64) std::array<cv::KeyPoint, kBlock> block;
  const size_t count = message.keypointnumber;
  out.reserve(count);
  const bool avx = have_avx();
  const bool avx512 = have_avx512f();
  for (size_t first = 0; first < count; first += kBlock) {
    const size_t items = std::min(kBlock, count - first);
    const Columns in(message, first);
    // The widest loop the processor has first, then narrower ones for the rest.
    size_t j = avx512 ? read_sixteen_at_a_time(in, items, block.data()) : 0;
    j = avx ? read_eight_at_a_time(in, j, items, block.data()) : j;
    for (j = read_four_at_a_time(in, j, items, block.data()); j < items; ++j) {
      block[j] = keypoint(in, j);
    }
    out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(items));
  }
}

// Where the run of flags from `first` ends: the first flag that is not
// zero (a left run) or zero (a right run). Sixteen flags at a time while all
// of them belong to the run, since one image's keypoints come as one run.
const uint32_t * run_end(const uint32_t * first, const uint32_t * last, bool right)
{
#if defined(__SSE2__)
  // Where a flag is zero, all ones; each flag of the run gives `in_run`.
  const __m128i in_run = right ? _mm_setzero_si128() : _mm_set1_epi32(-1);
  const auto off_run = [&in_run](const uint32_t * four) {
      const __m128i flags = _mm_loadu_si128(reinterpret_cast<const __m128i *>(four));
      return _mm_xor_si128(_mm_cmpeq_epi32(flags, _mm_setzero_si128()), in_run);
    };
  for (; last - first >= 16; first += 16) {
    const __m128i off = _mm_or_si128(_mm_or_si128(off_run(first), off_run(first + 4)),
        _mm_or_si128(off_run(first + 8), off_run(first + 12)));
    if (_mm_movemask_epi8(off) != 0) {
      break;
    }
  }
#endif
  return std::find_if(first, last, [right](uint32_t flag) {return (flag != 0) != right;});
}

// The flags as bools, a run of equal flags at a time: vector<bool> fills a
// run a word of bits at a time, where setting each bit on its own would
// read and write its word once per keypoint.
void append_flags(const std::vector<uint32_t> & flags, std::vector<bool> & out)
{
  out.reserve(flags.size());
  const uint32_t * last = flags.data() + flags.size();
  for (const uint32_t * run = flags.data(); run != last;) {
    const bool right = *run != 0;
    const uint32_t * end = run_end(run, last, right);
    out.insert(out.end(), static_cast<size_t>(end - run), right);
    run = end;
  }
}

}  // namespace

Keypoints from_message(const pelmora::msg::Features & message, int descriptor_depth)
{
  check_message(message);
  const size_t element = element_bytes(descriptor_depth, message.descriptorsize);
  Keypoints result;
  // check_message made sure every sequence holds keypointnumber items.
  read_keypoints(message, result.keypoints);
  append_flags(message.isrightimage, result.right_image);
  if (message.descriptorsize != 0) {
    result.descriptors = unpack(message, descriptor_depth, element);
  }
  return result;
}

}  // namespace pelmora_cv
