// Keypoints and descriptors into a message: to_message and append.
#include <cstring>
#include <limits>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "convention.hpp"
#include "pelmora_cv/keypoints.hpp"
#include "processor.hpp"

namespace pelmora_cv
{

namespace
{

// B, the bytes of one descriptor row, after checking that `descriptors`
// has one row per keypoint in one run of memory; 0 for an empty Mat.
uint32_t descriptor_bytes(const cv::Mat & descriptors, size_t keypoints)
{
  if (descriptors.empty()) {
    return 0;
  }
  if (descriptors.channels() != 1) {
    refuse("descriptors", descriptors.channels(), " channels; a descriptor Mat has one channel "
      "and one column per element");
  }
  if (!descriptors.isContinuous()) {
    refuse("descriptors", "not continuous (a view with gaps between its rows); clone() it");
  }
  if (descriptors.dims != 2 || static_cast<size_t>(descriptors.rows) != keypoints) {
    refuse("descriptors", descriptors.rows, " rows for ", keypoints, " keypoints");
  }
  return static_cast<uint32_t>(descriptors.cols * descriptors.elemSize());
}

// Rows of B bytes appended to `words`, W = ceil(B / 4) words per row.
void pack(const cv::Mat & descriptors, size_t bytes, std::vector<uint32_t> & words)
{
  const size_t rows = static_cast<size_t>(descriptors.rows);
  const size_t first = words.size();
  if (bytes % kWordBytes == 0) {
    // Fast path: the rows are the words' memory (see convention.hpp), and
    // inserting them copies them once, into storage never zeroed before.
    // The vector copies uint32_t with memmove, so the Mat's bytes need no
    // alignment.
    const auto * packed = reinterpret_cast<const uint32_t *>(descriptors.data);
    words.insert(words.end(), packed, packed + rows * bytes / kWordBytes);
    return;
  }
  // Slow path: each row ends in padding, which stays as resize() left it:
  // zero.
  const size_t stride = words_per_descriptor(bytes);
  words.resize(first + rows * stride);
  for (size_t i = 0; i < rows; ++i) {
    std::memcpy(words.data() + first + (i * stride), descriptors.ptr(static_cast<int>(i)), bytes);
  }
}

// Where the per-keypoint items of the appended keypoints go.
struct Columns
{
  uint32_t * uniqueid;
  uint32_t * isrightimage;
  uint32_t * patternzise;
  uint32_t * confidence;
  float * x;
  float * y;
  float * angle;
};

void put(const cv::KeyPoint & keypoint, uint32_t right, const Columns & out, size_t i)
{
  out.uniqueid[i] = static_cast<uint32_t>(keypoint.class_id);
  out.isrightimage[i] = right;
  out.patternzise[i] = pattern_size(keypoint.size);
  out.confidence[i] = confidence(keypoint.response);
  out.x[i] = keypoint.pt.x;
  out.y[i] = keypoint.pt.y;
  out.angle[i] = keypoint.angle;
}

#if defined(__SSE2__)

// Fast path (every x86-64 has SSE2): the items of keypoints `first` on,
// four at a time while four are left of `count`. A cv::KeyPoint is seven
// 4-byte members (pt.x, pt.y, size, angle, response, octave, class_id), so
// keypoint j of four starts at float 7j: the loads at 7j take (x, y, size,
// angle), those at 7j + 3 (angle, response, octave, class_id), and
// unpacking turns them into one register per member. Returns the index it
// stopped at.
size_t put_four_at_a_time(
  const cv::KeyPoint * keypoints, size_t first, size_t count, uint32_t right, const Columns & out)
{
  static_assert(sizeof(cv::KeyPoint) == 7 * sizeof(float), "cv::KeyPoint is seven 4-byte members");
  const __m128i flags = _mm_set1_epi32(static_cast<int>(right));
  size_t i = first;
  for (; i + 4 <= count; i += 4) {
    const float * p = &keypoints[i].pt.x;
    const __m128 a0 = _mm_loadu_ps(p), a1 = _mm_loadu_ps(p + 7);
    const __m128 a2 = _mm_loadu_ps(p + 14), a3 = _mm_loadu_ps(p + 21);
    const __m128 b0 = _mm_loadu_ps(p + 3), b1 = _mm_loadu_ps(p + 10);
    const __m128 b2 = _mm_loadu_ps(p + 17), b3 = _mm_loadu_ps(p + 24);
    const __m128 xy01 = _mm_unpacklo_ps(a0, a1), xy23 = _mm_unpacklo_ps(a2, a3);  // x0 x1 y0 y1
    const __m128 sa01 = _mm_unpackhi_ps(a0, a1), sa23 = _mm_unpackhi_ps(a2, a3);  // size, angle
    const __m128 ar01 = _mm_unpacklo_ps(b0, b1), ar23 = _mm_unpacklo_ps(b2, b3);  // angle, response
    const __m128 oc01 = _mm_unpackhi_ps(b0, b1), oc23 = _mm_unpackhi_ps(b2, b3);  // octave, class_id
    _mm_storeu_ps(out.x + i, _mm_movelh_ps(xy01, xy23));
    _mm_storeu_ps(out.y + i, _mm_movehl_ps(xy23, xy01));
    _mm_storeu_ps(out.angle + i, _mm_movehl_ps(sa23, sa01));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out.patternzise + i),
      rounded_and_clamped4(_mm_movelh_ps(sa01, sa23), 1.0));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out.confidence + i),
      rounded_and_clamped4(_mm_movehl_ps(ar23, ar01), kMillionths));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out.uniqueid + i),
      _mm_castps_si128(_mm_movehl_ps(oc23, oc01)));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out.isrightimage + i), flags);
  }
  return i;
}

#else

size_t put_four_at_a_time(const cv::KeyPoint *, size_t first, size_t, uint32_t, const Columns &)
{
  return first;
}

#endif

#if defined(__x86_64__)

// The members of eight keypoints, one register each.
struct EightKeypoints
{
  __m256 x, y, size, angle, response, class_id;
};

// put_four_at_a_time()'s loads and unpacking for eight keypoints from p:
// keypoints 0 to 3 in the low lanes and 4 to 7 in the high ones, so that
// the same unpacking works lane by lane.
__attribute__((target("avx"))) inline EightKeypoints load_eight(const cv::KeyPoint * keypoints)
{
  const float * p = &keypoints->pt.x;
  const __m256 a0 = _mm256_set_m128(_mm_loadu_ps(p + 28), _mm_loadu_ps(p));
  const __m256 a1 = _mm256_set_m128(_mm_loadu_ps(p + 35), _mm_loadu_ps(p + 7));
  const __m256 a2 = _mm256_set_m128(_mm_loadu_ps(p + 42), _mm_loadu_ps(p + 14));
  const __m256 a3 = _mm256_set_m128(_mm_loadu_ps(p + 49), _mm_loadu_ps(p + 21));
  const __m256 b0 = _mm256_set_m128(_mm_loadu_ps(p + 31), _mm_loadu_ps(p + 3));
  const __m256 b1 = _mm256_set_m128(_mm_loadu_ps(p + 38), _mm_loadu_ps(p + 10));
  const __m256 b2 = _mm256_set_m128(_mm_loadu_ps(p + 45), _mm_loadu_ps(p + 17));
  const __m256 b3 = _mm256_set_m128(_mm_loadu_ps(p + 52), _mm_loadu_ps(p + 24));
  const __m256 xy01 = _mm256_unpacklo_ps(a0, a1), xy23 = _mm256_unpacklo_ps(a2, a3);
  const __m256 sa01 = _mm256_unpackhi_ps(a0, a1), sa23 = _mm256_unpackhi_ps(a2, a3);
  const __m256 ar01 = _mm256_unpacklo_ps(b0, b1), ar23 = _mm256_unpacklo_ps(b2, b3);
  const __m256 oc01 = _mm256_unpackhi_ps(b0, b1), oc23 = _mm256_unpackhi_ps(b2, b3);
  constexpr int kFirstHalves = _MM_SHUFFLE(1, 0, 1, 0), kSecondHalves = _MM_SHUFFLE(3, 2, 3, 2);
  return {_mm256_shuffle_ps(xy01, xy23, kFirstHalves), _mm256_shuffle_ps(xy01, xy23, kSecondHalves),
    _mm256_shuffle_ps(sa01, sa23, kFirstHalves), _mm256_shuffle_ps(sa01, sa23, kSecondHalves),
    _mm256_shuffle_ps(ar01, ar23, kSecondHalves), _mm256_shuffle_ps(oc01, oc23, kSecondHalves)};
}

// Stores the items of eight keypoints at index i of each column, the
// rounded ones given as their uint32 bits.
__attribute__((target("avx"))) inline void store_eight(
  const EightKeypoints & in, __m256 patternzise, __m256 confidence, __m256 flags, const Columns & out,
  size_t i)
{
  _mm256_storeu_ps(out.x + i, in.x);
  _mm256_storeu_ps(out.y + i, in.y);
  _mm256_storeu_ps(out.angle + i, in.angle);
  _mm256_storeu_ps(reinterpret_cast<float *>(out.patternzise + i), patternzise);
  _mm256_storeu_ps(reinterpret_cast<float *>(out.confidence + i), confidence);
  _mm256_storeu_ps(reinterpret_cast<float *>(out.uniqueid + i), in.class_id);
  _mm256_storeu_ps(reinterpret_cast<float *>(out.isrightimage + i), flags);
}

// put_four_at_a_time() eight at a time where the processor has AVX, from
// `first`. Returns the index it stopped at.
__attribute__((target("avx")))
size_t put_eight_at_a_time(
  const cv::KeyPoint * keypoints, size_t first, size_t count, uint32_t right, const Columns & columns)
{
  // A copy: the stores could alias the caller's, which the compiler would
  // then read again every round.
  const Columns out = columns;
  const __m256 flags = _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int>(right)));
  size_t i = first;
  for (; i + 8 <= count; i += 8) {
    const EightKeypoints in = load_eight(keypoints + i);
    store_eight(in, rounded_and_clamped8(in.size, 1.0), rounded_and_clamped8(in.response, kMillionths),
      flags, out, i);
  }
  return i;
}

// Sixteen at a time, two groups of eight, where the processor has AVX-512,
// whose conversion to uint32 rounds and saturates in one instruction; a
// remaining eight go to the AVX loop. Returns the index it stopped at.
__attribute__((target("avx512f")))
size_t put_sixteen_at_a_time(const cv::KeyPoint * keypoints, size_t count, uint32_t right, const Columns & columns)
{
  const Columns out = columns;
  const __m256 flags = _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int>(right)));
  size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    for (size_t j = i; j < i + 16; j += 8) {
      const EightKeypoints in = load_eight(keypoints + j);
      store_eight(in, _mm256_castsi256_ps(rounded_and_clamped8_avx512(in.size, 1.0)),
        _mm256_castsi256_ps(rounded_and_clamped8_avx512(in.response, kMillionths)), flags, out, j);
    }
  }
  return i;
}

#else

size_t put_eight_at_a_time(const cv::KeyPoint *, size_t first, size_t, uint32_t, const Columns &)
{
  return first;
}

size_t put_sixteen_at_a_time(const cv::KeyPoint *, size_t, uint32_t, const Columns &)
{
  return 0;
}

#endif

}  // namespace

void append(
  pelmora::msg::Features & message, const std::vector<cv::KeyPoint> & keypoints,
  const cv::Mat & descriptors, bool right_image)
{
  check_message(message);
  const uint32_t bytes = descriptor_bytes(descriptors, keypoints.size());
  if (keypoints.empty()) {
    return;
  }
  const size_t first = message.keypointnumber;
  if (first != 0 && bytes != message.descriptorsize) {
    refuse("descriptorsize", "the message's descriptors have ", message.descriptorsize,
      " bytes, the appended ones ", bytes);
  }
  if (keypoints.size() > std::numeric_limits<uint32_t>::max() - first) {
    refuse("keypointnumber", first, " + ", keypoints.size(), " keypoints exceed 4294967295");
  }
  const size_t total = first + keypoints.size();
  message.uniqueid.resize(total);
  message.isrightimage.resize(total);
  message.patternzise.resize(total);
  message.confidence.resize(total);
  message.x.resize(total);
  message.y.resize(total);
  message.angle.resize(total);
  const Columns out{message.uniqueid.data() + first, message.isrightimage.data() + first,
    message.patternzise.data() + first, message.confidence.data() + first,
    message.x.data() + first, message.y.data() + first, message.angle.data() + first};
  const uint32_t right = right_image ? 1 : 0;
  const size_t count = keypoints.size();
  // The widest loop the processor has first, then narrower ones for the rest.
  size_t i = have_avx512f() ? put_sixteen_at_a_time(keypoints.data(), count, right, out) : 0;
  i = have_avx() ? put_eight_at_a_time(keypoints.data(), i, count, right, out) : i;
  for (i = put_four_at_a_time(keypoints.data(), i, count, right, out); i < count; ++i) {
    put(keypoints[i], right, out, i);
  }
  if (bytes != 0) {
    pack(descriptors, bytes, message.descriptor);
  }
  message.descriptorsize = bytes;
  message.keypointnumber = static_cast<uint32_t>(total);
}

pelmora::msg::Features to_message(
  const std::vector<cv::KeyPoint> & keypoints, const cv::Mat & descriptors, bool right_image)
{
  pelmora::msg::Features message;
  append(message, keypoints, descriptors, right_image);
  return message;
}

}  // namespace pelmora_cv
