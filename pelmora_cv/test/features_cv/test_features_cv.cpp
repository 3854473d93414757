// The convention "Keypoints in a Features message" as a table of cases:
// each case turns images' keypoints into a message (to_message, then append
// for every further image) or reads a given message (from_message), and
// gives the message expected, with descriptor words packed by hand, or the
// field a refusal must name.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pelmora_cv/keypoints.hpp"

namespace
{

using pelmora::msg::Features;

struct Image
{
  std::vector<cv::KeyPoint> keypoints;
  cv::Mat descriptors;
  bool right = false;
};

struct Case
{
  std::string name;
  std::vector<Image> images;       ///< to_message for the first, append for the rest
  std::optional<Features> start;   ///< else: the message appended to, or read
  int depth = CV_8U;               ///< the depth from_message asks for
  std::optional<Features> expected;
  std::string refused;             ///< the field a refusal names, else empty
};

void PrintTo(const Case & c, std::ostream * out)
{
  *out << c.name;
}

cv::KeyPoint keypoint(float x, float size, float angle, float response, int class_id)
{
  return cv::KeyPoint(cv::Point2f(x, 2 * x), size, angle, response, 3, class_id);
}

// Rows of bytes, row r being bytes[r].
cv::Mat byte_rows(const std::vector<std::vector<uint8_t>> & bytes)
{
  cv::Mat rows(static_cast<int>(bytes.size()), static_cast<int>(bytes.front().size()), CV_8U);
  for (size_t r = 0; r < bytes.size(); ++r) {
    std::memcpy(rows.ptr(static_cast<int>(r)), bytes[r].data(), bytes[r].size());
  }
  return rows;
}

std::vector<uint8_t> counting(size_t count, int first, int step)
{
  std::vector<uint8_t> bytes(count);
  for (size_t j = 0; j < count; ++j) {
    bytes[j] = static_cast<uint8_t>(first + step * static_cast<int>(j));
  }
  return bytes;
}

// An ORB-like row: bytes 0x80, 0x81, ... 0x9F.
const std::vector<uint8_t> kOrbRow = counting(32, 0x80, 1);
const std::vector<uint32_t> kOrbWords = {0x83828180, 0x87868584, 0x8B8A8988, 0x8F8E8D8C,
  0x93929190, 0x97969594, 0x9B9A9998, 0x9F9E9D9C};

Features message(
  std::vector<uint32_t> descriptor, uint32_t descriptorsize, std::vector<uint32_t> uniqueid,
  std::vector<uint32_t> isrightimage, std::vector<uint32_t> patternzise,
  std::vector<uint32_t> confidence, std::vector<float> x, std::vector<float> angle)
{
  std::vector<float> y;
  for (const float each : x) {
    y.push_back(2 * each);
  }
  return pelmora::build<Features>().keypointnumber(static_cast<uint32_t>(x.size()))
         .descriptorsize(descriptorsize).descriptor(descriptor).uniqueid(uniqueid)
         .isrightimage(isrightimage).patternzise(patternzise).confidence(confidence).x(x).y(y)
         .angle(angle);
}

// Two well-formed ORB-like keypoints, changed by `change`.
Features two_orb(const std::function<void(Features &)> & change = {})
{
  std::vector<uint32_t> words = kOrbWords;
  words.insert(words.end(), kOrbWords.begin(), kOrbWords.end());
  Features m = message(words, 32, {1, 2}, {0, 0}, {31, 31}, {5, 6}, {1, 2}, {0, 0});
  if (change) {
    change(m);
  }
  return m;
}

// `count` keypoints of the right image on the rounding edges, the thirteen
// below in turn, and the message they make.
Case edges(const std::string & name, size_t count)
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  constexpr uint32_t kMax = 4294967295;
  struct Edge
  {
    float size, response;
    int class_id;
    uint32_t patternzise, confidence, uniqueid;
  };
  const Edge kEdges[] = {{32.5f, 0.0078125f, -1, 32, 7812, kMax}, {33.5f, 0.0234375f, 0, 34, 23438, 0},
    {3e9f, 4000.0f, 2147483647, 3000000000, 4000000000, 2147483647},
    {4294967040.0f, 0.0390625f, -2147483647 - 1, 4294967040, 39062, 2147483648},
    {0.5f, 0.0546875f, 5, 0, 54688, 5}, {-3, -0.5f, 6, 0, 0, 6}, {1e10f, 1e10f, 7, kMax, kMax, 7},
    {nan, nan, 8, 0, 0, 8}, {0.4f, 4e-7f, 9, 0, 0, 9}, {30.5f, 0.0703125f, 10, 30, 70312, 10},
    {31.5f, 0.0859375f, 11, 32, 85938, 11}, {2.5f, 4294.0f, 12, 2, 4294000000, 12},
    {7, 5000.0f, 13, 7, kMax, 13}};
  std::vector<cv::KeyPoint> keypoints;
  std::vector<uint32_t> uniqueid, patternzise, confidence;
  std::vector<float> x;
  for (size_t i = 0; i < count; ++i) {
    const Edge & edge = kEdges[i % std::size(kEdges)];
    x.push_back(static_cast<float>(i + 1));
    keypoints.push_back(keypoint(x.back(), edge.size, 0, edge.response, edge.class_id));
    uniqueid.push_back(edge.uniqueid);
    patternzise.push_back(edge.patternzise);
    confidence.push_back(edge.confidence);
  }
  return {name, {{keypoints, {}, true}}, {}, CV_8U, message({}, 0, uniqueid, std::vector<uint32_t>(count, 1),
    patternzise, confidence, x, std::vector<float>(count, 0)), ""};
}

std::vector<Case> cases()
{
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<uint32_t> akaze_words = {
    0x04030201, 0x08070605, 0x0C0B0A09, 0x100F0E0D, 0x14131211, 0x18171615, 0x1C1B1A19,
    0x201F1E1D, 0x24232221, 0x28272625, 0x2C2B2A29, 0x302F2E2D, 0x34333231, 0x38373635,
    0x3C3B3A39, 0x0000003D,
    0xFCFDFEFF, 0xF8F9FAFB, 0xF4F5F6F7, 0xF0F1F2F3, 0xECEDEEEF, 0xE8E9EAEB, 0xE4E5E6E7,
    0xE0E1E2E3, 0xDCDDDEDF, 0xD8D9DADB, 0xD4D5D6D7, 0xD0D1D2D3, 0xCCCDCECF, 0xC8C9CACB,
    0xC4C5C6C7, 0x000000C3};
  // SIFT-like: 128 floats alternating 1.0f and -2.0f, the last 0.5f.
  cv::Mat floats(1, 128, CV_32F);
  std::vector<uint32_t> float_words;
  for (int k = 0; k < 128; ++k) {
    floats.at<float>(0, k) = k == 127 ? 0.5f : k % 2 == 0 ? 1.0f : -2.0f;
    float_words.push_back(k == 127 ? 0x3F000000 : k % 2 == 0 ? 0x3F800000 : 0xC0000000);
  }
  const cv::Mat orb2 = byte_rows({kOrbRow, kOrbRow});
  const cv::Mat wide = byte_rows({counting(64, 0, 1), counting(64, 0, 1)});

  std::vector<Case> table = {
    {"orb_keypoint_fields", {{{keypoint(10.25f, 31.4f, 123.5f, 0.0012346f, -1)},
      byte_rows({kOrbRow})}}, {}, CV_8U,
      message(kOrbWords, 32, {4294967295}, {0}, {31}, {1235}, {10.25f}, {123.5f}), ""},
    {"no_angle_and_ties_to_even", {{{keypoint(1, 32.5f, -1, 0.0078125f, 7),
      keypoint(2, 33.5f, -1, 0.0234375f, 0)}, {}}}, {}, CV_8U,
      message({}, 0, {7, 0}, {0, 0}, {32, 34}, {7812, 23438}, {1, 2}, {-1, -1}), ""},
    {"clamped_responses_and_sizes", {{{keypoint(1, -3, 0, -0.5f, 0),
      keypoint(2, 1e10f, 0, 1e10f, 0), keypoint(3, nan, 0, nan, 0),
      keypoint(4, 0.4f, 0, 4e-7f, 0)}, {}}}, {}, CV_8U,
      message({}, 0, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 4294967295, 0, 0}, {0, 4294967295, 0, 0},
        {1, 2, 3, 4}, {0, 0, 0, 0}), ""},
    // Four keypoints go through the four-at-a-time path, the fifth through
    // the one-at-a-time one.
    {"ties_and_large_values_four_at_a_time", {{{keypoint(1, 32.5f, 0, 0.0078125f, -1),
      keypoint(2, 33.5f, 0, 0.0234375f, 0), keypoint(3, 3e9f, 0, 4000.0f, 2147483647),
      keypoint(4, 4294967040.0f, 0, 0.0390625f, -2147483647 - 1),
      keypoint(5, 0.5f, 0, 0.0546875f, 5)}, {}, true}}, {}, CV_8U,
      message({}, 0, {4294967295, 0, 2147483647, 2147483648, 5}, {1, 1, 1, 1, 1},
        {32, 34, 3000000000, 4294967040, 0}, {7812, 23438, 4000000000, 39062, 54688},
        {1, 2, 3, 4, 5}, {0, 0, 0, 0, 0}), ""},
    // Thirteen keypoints: eight at a time where the processor has AVX, then
    // four at a time, then one; 29 take the sixteen-at-a-time loops first
    // where it has AVX-512.
    edges("edges_eight_four_and_one_at_a_time", 13),
    edges("edges_sixteen_eight_four_and_one_at_a_time", 29),
    {"akaze_61_bytes_zero_padded", {{{keypoint(1, 8, 0, 0, 0), keypoint(2, 8, 0, 0, 0)},
      byte_rows({counting(61, 1, 1), counting(61, 0xFF, -1)})}}, {}, CV_8U,
      message(akaze_words, 61, {0, 0}, {0, 0}, {8, 8}, {0, 0}, {1, 2}, {0, 0}), ""},
    {"float_descriptor_512_bytes", {{{keypoint(1, 8, 0, 0, 0)}, floats}}, {}, CV_32F,
      message(float_words, 512, {0}, {0}, {8}, {0}, {1}, {0}), ""},
    {"no_keypoints", {{{}, {}}}, {}, CV_8U, message({}, 0, {}, {}, {}, {}, {}, {}), ""},
    {"left_then_right", {{{keypoint(1, 31, 0, 0, 1), keypoint(2, 31, 0, 0, 2)}, orb2},
      {{keypoint(3, 31, 0, 0, 3)}, byte_rows({kOrbRow}), true}}, {}, CV_8U,
      message({kOrbWords[0], kOrbWords[1], kOrbWords[2], kOrbWords[3], kOrbWords[4],
        kOrbWords[5], kOrbWords[6], kOrbWords[7], kOrbWords[0], kOrbWords[1], kOrbWords[2],
        kOrbWords[3], kOrbWords[4], kOrbWords[5], kOrbWords[6], kOrbWords[7], kOrbWords[0],
        kOrbWords[1], kOrbWords[2], kOrbWords[3], kOrbWords[4], kOrbWords[5], kOrbWords[6],
        kOrbWords[7]}, 32, {1, 2, 3}, {0, 0, 1}, {31, 31, 31}, {0, 0, 0}, {1, 2, 3}, {0, 0, 0}),
      ""},
    {"right_image_without_keypoints", {{{keypoint(1, 31, 0, 0, 1), keypoint(2, 31, 0, 0, 2)},
      orb2}, {{}, {}, true}}, {}, CV_8U, two_orb([](Features & m) {m.confidence = {0, 0};}), ""},

    {"rows_differ_from_keypoints", {{{keypoint(1, 8, 0, 0, 0)}, orb2}}, {}, CV_8U, {},
      "descriptors"},
    {"two_channel_descriptors", {{{keypoint(1, 8, 0, 0, 0)}, cv::Mat(1, 16, CV_8UC2)}}, {},
      CV_8U, {}, "descriptors"},
    {"descriptors_not_continuous", {{{keypoint(1, 8, 0, 0, 0), keypoint(2, 8, 0, 0, 0)},
      wide.colRange(0, 32)}}, {}, CV_8U, {}, "descriptors"},
    {"right_descriptor_size_differs", {{{keypoint(1, 8, 0, 0, 0)}, byte_rows({kOrbRow})},
      {{keypoint(2, 8, 0, 0, 0)}, byte_rows({counting(61, 1, 1)}), true}}, {}, CV_8U, {},
      "descriptorsize"},
    {"right_without_descriptors", {{{keypoint(1, 8, 0, 0, 0)}, {}, true}}, two_orb(), CV_8U, {},
      "descriptorsize"},
    {"append_to_malformed_message", {{{keypoint(1, 8, 0, 0, 0)}, byte_rows({kOrbRow})}},
      two_orb([](Features & m) {m.y.pop_back();}), CV_8U, {}, "y"},
    {"descriptor_words_short", {}, two_orb([](Features & m) {m.descriptor.pop_back();}), CV_8U,
      {}, "descriptor"},
    {"descriptor_words_rounded_down", {},
      two_orb([](Features & m) {m.descriptorsize = 30; m.descriptor.resize(14);}), CV_8U, {},
      "descriptor"},
    {"descriptorsize_not_whole_floats", {},
      two_orb([](Features & m) {m.descriptorsize = 30;}), CV_32F, {}, "descriptorsize"},
    {"depth_with_channels", {}, two_orb(), CV_8UC3, {}, "descriptor_depth"},
  };
  const std::pair<const char *, std::function<void(Features &)>> lengthened[] = {
    {"uniqueid", [](Features & m) {m.uniqueid.push_back(0);}},
    {"isrightimage", [](Features & m) {m.isrightimage.push_back(0);}},
    {"patternzise", [](Features & m) {m.patternzise.push_back(0);}},
    {"confidence", [](Features & m) {m.confidence.push_back(0);}},
    {"x", [](Features & m) {m.x.push_back(0);}},
    {"y", [](Features & m) {m.y.push_back(0);}},
    {"angle", [](Features & m) {m.angle.push_back(0);}}};
  for (const auto & [field, change] : lengthened) {
    table.push_back({std::string(field) + "_longer_than_keypointnumber", {}, two_orb(change),
      CV_8U, {}, field});
  }
  return table;
}

// Every image's descriptor rows, one after the other.
cv::Mat stacked_descriptors(const std::vector<Image> & images)
{
  cv::Mat rows;
  for (const Image & image : images) {
    if (!image.descriptors.empty()) {
      rows.push_back(image.descriptors);
    }
  }
  return rows;
}

class Convention : public testing::TestWithParam<Case> {};

TEST_P(Convention, MessageAndBack)
{
  const Case & c = GetParam();
  Features m = c.start.value_or(Features());
  const auto convert = [&] {
      for (size_t i = 0; i < c.images.size(); ++i) {
        const Image & image = c.images[i];
        if (i == 0 && !c.start) {
          m = pelmora_cv::to_message(image.keypoints, image.descriptors, image.right);
        } else {
          pelmora_cv::append(m, image.keypoints, image.descriptors, image.right);
        }
      }
      return pelmora_cv::from_message(m, c.depth);
    };
  if (!c.refused.empty()) {
    try {
      convert();
      FAIL() << "accepted";
    } catch (const std::invalid_argument & e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.refused + ": ", 0), 0u) << e.what();
    }
    return;
  }
  const pelmora_cv::Keypoints back = convert();
  EXPECT_EQ(m, *c.expected);

  const cv::Mat sent = stacked_descriptors(c.images);
  ASSERT_EQ(back.descriptors.empty(), sent.empty());
  if (!sent.empty()) {
    ASSERT_EQ(back.descriptors.type(), sent.type());
    ASSERT_EQ(back.descriptors.rows, sent.rows);
    ASSERT_EQ(back.descriptors.cols, sent.cols);
    EXPECT_EQ(std::memcmp(back.descriptors.data, sent.data, sent.total() * sent.elemSize()), 0);
  }
  std::vector<cv::KeyPoint> keypoints;
  std::vector<bool> right;
  for (const Image & image : c.images) {
    keypoints.insert(keypoints.end(), image.keypoints.begin(), image.keypoints.end());
    right.insert(right.end(), image.keypoints.size(), image.right);
  }
  ASSERT_EQ(back.keypoints.size(), keypoints.size());
  EXPECT_EQ(back.right_image, right);
  for (size_t i = 0; i < keypoints.size(); ++i) {
    const cv::KeyPoint & got = back.keypoints[i];
    EXPECT_EQ(got.pt, keypoints[i].pt) << i;
    EXPECT_EQ(got.angle, keypoints[i].angle) << i;
    EXPECT_EQ(got.class_id, keypoints[i].class_id) << i;
    EXPECT_EQ(got.octave, 0) << i;
    EXPECT_EQ(got.size, static_cast<float>(m.patternzise[i])) << i;
    EXPECT_EQ(got.response, static_cast<float>(m.confidence[i] / 1e6)) << i;
  }
  // What comes back converts to the same message: the losses happen once.
  // A float response holds every millionth only below 2^23 of them.
  const Features again = pelmora_cv::to_message(back.keypoints, back.descriptors);
  EXPECT_EQ(again.patternzise, m.patternzise);
  EXPECT_EQ(again.descriptor, m.descriptor);
  for (size_t i = 0; i < m.confidence.size(); ++i) {
    if (m.confidence[i] < (1u << 23)) {
      EXPECT_EQ(again.confidence[i], m.confidence[i]) << i;
    }
  }
}

// from_message multiplies by 10^-6 where the convention divides by 10^6;
// both give the same float for confidences spread over the whole range.
TEST(Response, IsConfidenceOverAMillionForConfidencesOverTheWholeRange)
{
  constexpr uint32_t kCount = 1 << 20;
  std::vector<uint32_t> confidence(kCount);
  for (uint32_t i = 0; i < kCount; ++i) {
    confidence[i] = i * 4099u + (i >> 7);  // every 4,096th value or so, offsets varying
  }
  confidence.back() = 4294967295u;
  const std::vector<uint32_t> zeros(kCount);
  const std::vector<float> floats(kCount);
  const Features m = pelmora::build<Features>().keypointnumber(kCount).descriptorsize(0)
    .descriptor({}).uniqueid(zeros).isrightimage(zeros).patternzise(zeros).confidence(confidence)
    .x(floats).y(floats).angle(floats);
  const pelmora_cv::Keypoints back = pelmora_cv::from_message(m);
  for (uint32_t i = 0; i < kCount; ++i) {
    ASSERT_EQ(back.keypoints[i].response, static_cast<float>(confidence[i] / 1e6)) << confidence[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Convention, testing::ValuesIn(cases()),
  [](const testing::TestParamInfo<Case> & info) {return info.param.name;});

}  // namespace
